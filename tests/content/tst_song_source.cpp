#include "content/song_source.h"

#include "memory_song_file_reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace zorvan;
using zorvan::test::CountingSongFileReader;
using zorvan::test::MemorySongFileReader;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSongSource : public QObject {
    Q_OBJECT

private slots:
    void fields_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("fields");

        QTest::newRow("one field") << QByteArray("Artist - Title") << QStringList { "Artist - Title" };
        QTest::newRow("two fields") << QByteArray("Artist,Title\n") << QStringList { "Artist", "Title" };
        QTest::newRow("quoted field holds a comma")
            << QByteArray("Queen,\"Bohemian Rhapsody, Live\",1975\n")
            << QStringList { "Queen", "Bohemian Rhapsody, Live", "1975" };
        QTest::newRow("five fields") << QByteArray("a,b,c,d,e\n") << QStringList { "a", "b", "c", "d", "e" };
        QTest::newRow("empty file") << QByteArray() << QStringList {};
        QTest::newRow("a lone line break is one empty line") << QByteArray("\n") << QStringList { "" };
        QTest::newRow("empty line between lines") << QByteArray("A\n\nB\n") << QStringList { "A", "", "B" };
        QTest::newRow("two commas in a row") << QByteArray("A,,B") << QStringList { "A", "", "B" };
        QTest::newRow("comma at the end of the file") << QByteArray("A,") << QStringList { "A", "" };
        QTest::newRow("comma before a line break") << QByteArray("A,\nB") << QStringList { "A", "", "B" };
        QTest::newRow("CRLF lines") << QByteArray("A\r\nB\r\n") << QStringList { "A", "B" };
        QTest::newRow("LF lines") << QByteArray("A\nB\n") << QStringList { "A", "B" };
        QTest::newRow("CR lines") << QByteArray("A\rB\r") << QStringList { "A", "B" };
        QTest::newRow("CR CR is an empty line") << QByteArray("A\r\rB") << QStringList { "A", "", "B" };
        QTest::newRow("LF CR is two line breaks") << QByteArray("A\n\rB") << QStringList { "A", "", "B" };
        QTest::newRow("no final line break") << QByteArray("A\nB") << QStringList { "A", "B" };
        QTest::newRow("blanks before fields skipped") << QByteArray("  A,\t B") << QStringList { "A", "B" };
        QTest::newRow("blanks after a field kept") << QByteArray("A  ,B") << QStringList { "A  ", "B" };
        QTest::newRow("line of blanks is empty") << QByteArray("A\n   \nB") << QStringList { "A", "", "B" };
        QTest::newRow("blanks after the last line break") << QByteArray("A\n  ") << QStringList { "A" };
        QTest::newRow("unclosed quote ends at the line break")
            << QByteArray("\"A,B\nC") << QStringList { "A,B", "C" };
        QTest::newRow("unclosed quote at the end of the file")
            << QByteArray("x,\"abc") << QStringList { "x", "abc" };
        QTest::newRow("text after the closing quote joins the field")
            << QByteArray("\"Song\" (Remix),Artist") << QStringList { "Song (Remix)", "Artist" };
        QTest::newRow("blanks after the closing quote dropped")
            << QByteArray("\"Song\"  ,B") << QStringList { "Song", "B" };
        QTest::newRow("empty quoted field") << QByteArray("\"\",B") << QStringList { "", "B" };
        QTest::newRow("blanks inside quotes kept") << QByteArray("\" A \",B") << QStringList { " A ", "B" };
        QTest::newRow("quote inside a plain field kept")
            << QByteArray("Say \"hi\",B") << QStringList { "Say \"hi\"", "B" };
        QTest::newRow("UTF-8 accents") << QByteArray("Beyonc\xC3\xA9,D\xC3\xA9j\xC3\xA0 Vu")
                                       << QStringList { u8("Beyoncé"), u8("Déjà Vu") };
        QTest::newRow("UTF-8 with byte-order mark")
            << QByteArray("\xEF\xBB\xBF\"Caf\xC3\xA9\",x") << QStringList { u8("Café"), "x" };
        QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << QStringList {};
        QTest::newRow("Windows-1252 accents and punctuation") << QByteArray(
            "Beyonc\xE9,Don\x92t \x96 Stop") << QStringList { u8("Beyoncé"), u8("Don’t – Stop") };
        QTest::newRow("overlong UTF-8 is read as Windows-1252")
            << QByteArray("\xC0\xAF") << QStringList { u8("À¯") };
        QTest::newRow("UTF-8 surrogate is read as Windows-1252")
            << QByteArray("\xED\xA0\x80") << QStringList { u8("í\u00A0€") };
        QTest::newRow("UTF-8 cut at the end of the file is Windows-1252")
            << QByteArray("Caf\xC3") << QStringList { u8("CafÃ") };
        QTest::newRow("numbers are their text") << QByteArray("1975, 3.5") << QStringList { "1975", "3.5" };
    }
    void fields()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, fields);
        QCOMPARE(songFieldsFromBytes(file), fields);
    }

    // Read through the reader one byte at a time: every chunk boundary falls
    // inside a CRLF, a UTF-8 sequence or a quoted field somewhere, and the
    // result must still be the first three fields of the whole file.
    void fieldsReadByteByByte_data() { fields_data(); }
    void fieldsReadByteByByte()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, fields);
        MemorySongFileReader reader;
        reader.chunkLimit = 1;
        reader.setFile("song", file);
        const SongSource source = ReadSongSource(reader, "song");
        QCOMPARE(source.status, SongSource::Status::Fields);
        QCOMPARE(source.fields, fields.mid(0, kSongFieldsUsed));
    }

    void firstLine_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("line");
        QTest::newRow("commas kept") << QByteArray("Artist, Title\nnext") << "Artist, Title";
        QTest::newRow("quotes kept") << QByteArray("\"A\",B\r\nC") << "\"A\",B";
        QTest::newRow("CR ends the line") << QByteArray("A,B\rC") << "A,B";
        QTest::newRow("no line break") << QByteArray("A,B") << "A,B";
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("empty first line") << QByteArray("\nB") << "";
        QTest::newRow("leading blanks kept") << QByteArray("  A") << "  A";
        QTest::newRow("byte-order mark dropped")
            << QByteArray("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\n") << u8("été");
        QTest::newRow("Windows-1252") << QByteArray("\xE9t\xE9\n") << u8("été");
    }
    void firstLine()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, line);
        QCOMPARE(firstLineFromBytes(file), line);

        MemorySongFileReader reader;
        reader.chunkLimit = 1;
        reader.setFile("song", file);
        QCOMPARE(ReadFirstLine(reader, "song"), std::optional<QString>(line));
    }

    void composeSongText_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("songText");
        QTest::newRow("none") << QStringList {} << "";
        QTest::newRow("one") << QStringList { "Artist - Title" } << "Artist - Title";
        QTest::newRow("two joined by a blank") << QStringList { "Artist", "Title" } << "Artist Title";
        QTest::newRow("three") << QStringList { "a", "b", "c" } << "a b c";
        QTest::newRow("five, the rest ignored") << QStringList { "a", "b", "c", "d", "e" } << "a b c";
        QTest::newRow("empty fields keep their blanks") << QStringList { "", "b", "" } << " b ";
    }
    void composeSongText()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, songText);
        QCOMPARE(ComposeSongText(fields), songText);
    }

    void utf8CutByTheBound()
    {
        QVERIFY(isSongFileUtf8("Caf\xC3", true));
        QVERIFY(!isSongFileUtf8("Caf\xC3", false));
        QVERIFY(!isSongFileUtf8("Caf\xC3x", true));
        QVERIFY(isSongFileUtf8("\xF0\x9F\x8E", true));
        QVERIFY(!isSongFileUtf8("\xF8\x88\x80\x80\x80", true));
    }

    void sampleFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("songText");
        QTest::addColumn<QString>("line");
        QTest::newRow("play-out, CRLF") << "song_playout_one_line_crlf.txt"
                                        << "Artist - Title"
                                        << "Artist - Title";
        QTest::newRow("plug-in, quoted comma") << "song_plugin_quoted_comma.txt"
                                               << "Queen Bohemian Rhapsody, Live 1975"
                                               << "Queen,\"Bohemian Rhapsody, Live\",1975";
        QTest::newRow("UTF-8 with BOM")
            << "song_utf8_bom.txt" << u8("Beyoncé Déjà Vu") << u8("Beyoncé,Déjà Vu");
        QTest::newRow("UTF-8 without BOM")
            << "song_utf8_no_bom.txt" << u8("Sigur Rós Hoppípolla") << u8("Sigur Rós,Hoppípolla");
        QTest::newRow("Windows-1252") << "song_windows1252.txt" << u8("Beyoncé Déjà Vu – Don’t Stop")
                                      << u8("Beyoncé,Déjà Vu – Don’t Stop");
        QTest::newRow("automation, five fields") << "song_automation_five_fields.txt"
                                                 << "Daft Punk Around the World Homework"
                                                 << "Daft Punk,Around the World,Homework,1997,07:09";
        QTest::newRow("bare CR lines") << "song_classic_mac_cr.txt"
                                       << "Miles Davis So What"
                                       << "Miles Davis";
        QTest::newRow("empty") << "song_empty.txt"
                               << ""
                               << "";
        QTest::newRow("two lines, no final break") << "song_two_lines_no_final_break.txt"
                                                   << "Nina Simone Feeling Good"
                                                   << "Nina Simone";
    }
    void sampleFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, songText);
        QFETCH(QString, line);
        PlatformSongFileReader reader;
        const QString path = QDir(ZORVAN_TEST_DATA).filePath(name);
        const SongSource source = ReadSongSource(reader, path);
        QCOMPARE(source.status, SongSource::Status::Fields);
        QCOMPARE(ComposeSongText(source.fields), songText);
        QCOMPARE(ReadFirstLine(reader, path), std::optional<QString>(line));
    }

    void filesThatAreNotSongFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("missing file") << "missing" << int(SongSource::Status::Missing);
        QTest::newRow("missing folder") << "missing-folder" << int(SongSource::Status::FolderMissing);
        QTest::newRow("folder") << "folder" << int(SongSource::Status::Unreadable);
        QTest::newRow("FIFO without a writer") << "fifo" << int(SongSource::Status::Unreadable);
        QTest::newRow("character device") << "device" << int(SongSource::Status::Unreadable);
        QTest::newRow("symbolic link loop") << "loop" << int(SongSource::Status::Unreadable);
        QTest::newRow("link to a song file") << "link" << int(SongSource::Status::Fields);
        QTest::newRow("empty path") << "empty-path" << int(SongSource::Status::Missing);
    }
    void filesThatAreNotSongFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, status);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString path = dir.filePath(kind);
        if (kind == "missing-folder") {
            path = dir.filePath("gone/SongName.txt");
        } else if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir(kind));
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "device") {
            path = "/dev/null";
        } else if (kind == "loop") {
            QVERIFY(QFile::link(dir.filePath("loop2"), path));
            QVERIFY(QFile::link(path, dir.filePath("loop2")));
        } else if (kind == "link") {
            QVERIFY(writeFile(dir.filePath("target.txt"), "Artist,Title\n"));
            QVERIFY(QFile::link(dir.filePath("target.txt"), path));
        } else if (kind == "empty-path") {
            path.clear();
        }

        PlatformSongFileReader reader;
        const SongSource source = ReadSongSource(reader, path);
        QCOMPARE(int(source.status), status);
        QCOMPARE(ReadFirstLine(reader, path).has_value(), status == int(SongSource::Status::Fields));
    }

    void fileWithoutReadPermission()
    {
        if (::geteuid() == 0)
            QSKIP("running as root, which reads a file whatever its mode; read errors are covered by "
                  "readErrorPartWay");
        QTemporaryDir dir;
        const QString path = dir.filePath("SongName.txt");
        QVERIFY(writeFile(path, "Artist,Title\n"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        PlatformSongFileReader reader;
        QCOMPARE(ReadSongSource(reader, path).status, SongSource::Status::Unreadable);
        QCOMPARE(ReadFirstLine(reader, path), std::nullopt);
    }

    void readErrorPartWay()
    {
        MemorySongFileReader reader;
        reader.failReadsOf("song");
        QCOMPARE(ReadSongSource(reader, "song").status, SongSource::Status::Unreadable);
        QCOMPARE(ReadFirstLine(reader, "song"), std::nullopt);
    }

    // A 50 MB file costs what a small one does: reading stops after the
    // third field, or at the byte bound when the fields never end.
    void hugeFileIsReadBounded_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qsizetype>("mostBytes");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("three fields, then 50 MB") << QByteArray("Artist,Title,Album,") << kSongReadChunk
                                                  << QStringList { "Artist", "Title", "Album" };
        QTest::newRow("one endless field")
            << QByteArray() << kSongReadLimit << QStringList { QString(kSongReadLimit, QChar(0)) };
    }
    void hugeFileIsReadBounded()
    {
        QFETCH(QByteArray, head);
        QFETCH(qsizetype, mostBytes);
        QFETCH(QStringList, fields);
        QTemporaryDir dir;
        const QString path = dir.filePath("huge.txt");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(head), head.size());
            QVERIFY(file.resize(50 * 1024 * 1024)); // the rest reads as NUL bytes, no separator
        }
        PlatformSongFileReader platform;
        CountingSongFileReader reader(platform);
        const SongSource source = ReadSongSource(reader, path);
        QCOMPARE(source.status, SongSource::Status::Fields);
        QCOMPARE(source.fields, fields);
        QVERIFY2(reader.bytesRead <= mostBytes, qPrintable(QString::number(reader.bytesRead)));

        // The file has no line break: its first line is as long as the bound.
        reader.bytesRead = 0;
        const std::optional<QString> line = ReadFirstLine(reader, path);
        QVERIFY(line.has_value());
        QCOMPARE(line->size(), kSongReadLimit);
        QVERIFY(line->startsWith(QString::fromLatin1(head)));
        QVERIFY(reader.bytesRead <= kSongReadLimit);
    }
};

QTEST_GUILESS_MAIN(TestSongSource)
#include "tst_song_source.moc"
