// Inputs the fuzz targets turned up, kept as ordinary cases.

#include "content/song_source.h"

#include "memory_song_file_reader.h"

#include <QtTest>

using namespace zorvan;
using zorvan::test::MemorySongFileReader;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray repeated(const QByteArray &piece, qsizetype size)
{
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += piece;
    return bytes.left(size);
}

} // namespace

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    // A reader that hands the file out a few bytes at a time (a slow or
    // network disk) once made the reader scan the whole head again after
    // every read: an endless first field took minutes. Read in pieces, a
    // file must also give what one read gives, encoding included.
    void songFileReadInPieces_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qsizetype>("piece");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("line");

        const QByteArray endless = repeated("Artist Without Title ", kSongReadLimit + 2000);
        const QString endlessText = QString::fromLatin1(endless.left(kSongReadLimit));
        QTest::newRow("endless field, two bytes a read")
            << endless << qsizetype(2) << QStringList { endlessText } << endlessText;

        const QByteArray tail = "Artist,Title,Album,Year\n" + repeated("x", 20000);
        QTest::newRow("three fields then a long tail, one byte a read")
            << tail << qsizetype(1) << QStringList { "Artist", "Title", "Album" }
            << "Artist,Title,Album,Year";

        const QByteArray mixed = "Caf\xC3\xA9,Song,Album\nnext \xE9t\xE9\n";
        QTest::newRow("UTF-8 fields, Windows-1252 later, one byte a read")
            << mixed << qsizetype(1) << QStringList { u8("CafÃ©"), "Song", "Album" }
            << u8("CafÃ©,Song,Album");

        const QByteArray crlfAtBound = repeated("a", kSongReadChunk - 5) + ",b,c\r\nnext\n";
        QTest::newRow("CRLF across the chunk bound, three bytes a read")
            << crlfAtBound << qsizetype(3)
            << QStringList { QString(kSongReadChunk - 5, QLatin1Char('a')), "b", "c" }
            << QString(kSongReadChunk - 5, QLatin1Char('a')) + ",b,c";

        const QByteArray bomFields = "\xEF\xBB\xBF\"Song, Live\" (Remix),Band\n" + repeated("z,", 6000);
        QTest::newRow("byte-order mark and quoted field, seven bytes a read")
            << bomFields << qsizetype(7) << QStringList { "Song, Live (Remix)", "Band", "z" }
            << "\"Song, Live\" (Remix),Band";
    }
    void songFileReadInPieces()
    {
        QFETCH(QByteArray, file);
        QFETCH(qsizetype, piece);
        QFETCH(QStringList, fields);
        QFETCH(QString, line);

        MemorySongFileReader pieces;
        pieces.chunkLimit = piece;
        pieces.setFile("song", file);
        const SongSource source = ReadSongSource(pieces, "song");
        QCOMPARE(source.status, SongSource::Status::Fields);
        QCOMPARE(source.fields, fields);
        QCOMPARE(ReadFirstLine(pieces, "song"), std::optional<QString>(line));

        MemorySongFileReader oneRead;
        oneRead.setFile("song", file);
        QCOMPARE(ReadSongSource(oneRead, "song").fields, fields);
        QCOMPARE(ReadFirstLine(oneRead, "song"), std::optional<QString>(line));
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"
