#include "content/auto_update.h"
#include "content/song_file_reader.h"
#include "link/wire_text.h"

#include "soak_engine.h"
#include "soak_guard.h"
#include "soak_link.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zorvan;
using namespace zorvan::test;

namespace {

using namespace std::chrono_literals;

// Far beyond what any tick may take; only a hang gets there.
constexpr auto kTickBound = 10s;

constexpr int kTorturedTicks = 3;

enum class Torture {
    Folder,
    PipeAlone,
    PipeWithWriter,
    ZeroDevice,
    RandomDevice,
    LinkLoop,
    DanglingLink,
    FolderIsAFile,
    NoPath,
    Vanished,
    Contents, // a regular file holding the row's bytes
    HugeLine,
};

// What the tick makes of it.
enum class Expect {
    KeepsSong, // cannot be read now: labels and radio text stay as they were, quietly
    ReadsSong, // a regular file: read as a song like any other
    MissingFile, // does not exist: the missing-file message, updates off
};

const QByteArray kFirstSong("Artist,Title\n");
const QByteArray kNextSong("Next Artist,Next Title\n");

constexpr qsizetype kHugeLineBytes = 50 * 1024 * 1024;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray garbage()
{
    std::mt19937 random(20261208);
    QByteArray bytes(4096, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    // Make sure the frame bytes and the parser's own bytes are all in there.
    return QByteArray("\x00\x01\x02\"\r,\n", 7) + bytes;
}

QString onAir(const QString &label)
{
    return fromWireText(toWireText(label));
}

// The engine wired to real files in a temporary folder, the real link
// runner and a board model; every tick runs under the watchdog.
StationSettings scrolling(const QString &path)
{
    StationSettings settings;
    settings.AutoPS = static_cast<qint16>(DynamicMode::Scroll);
    settings.RTSwitch = 1;
    settings.AutoPSPath = path;
    return settings;
}

struct Rig {
    Rig()
        : path(dir.filePath(QStringLiteral("SongName.txt")))
        , settings(scrolling(path))
        , runner([] { return qint64(0); })
        , engine(
              settings, runner, reader, [this] { ++saves; }, [] { return QDate(2026, 12, 8); })
        , watchdog(kTickBound)
    {
    }

    void tick(const QString &what)
    {
        watchdog.guard(what, [this] { engine.tick(); });
        QCoreApplication::processEvents();
    }

    // A label upload and a radio text, well formed, and the board holding
    // what the window shows.
    void verifySongArrived(const QString &shown, const QString &boardRt)
    {
        const std::vector<ArrivedTransmission> arrived = runner.takeArrived();
        QCOMPARE(arrived.size(), std::size_t(2));
        QCOMPARE(int(arrived[0].frames.size()), 2 * kLabelCount);
        QCOMPARE(int(arrived[1].frames.size()), 1);
        for (const ArrivedTransmission &each : arrived) {
            QCOMPARE(each.outcome, LinkOutcome::Sent);
            QCOMPARE(int(each.strayBytes), 0);
            QCOMPARE(each.rejectedFrames, 0);
        }
        QCOMPARE(engine.state.SongDisplay, shown);
        QCOMPARE(runner.board().working().rt, boardRt);
        verifyBoardHoldsLabels();
    }

    void verifyBoardHoldsLabels()
    {
        const BoardParameters &board = runner.board().working();
        for (int i = 0; i < kLabelCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            QCOMPARE(board.ps[at], onAir(settings.PS[at]));
            QCOMPARE(board.psDelay[at], int(settings.PSDelay[at]));
        }
    }

    QTemporaryDir dir;
    QString path;
    StationSettings settings;
    SoakLinkRunner runner;
    PlatformSongFileReader reader;
    int saves = 0;
    SoakEngine engine;
    SoakWatchdog watchdog;
};

// Puts the tortured thing where the song file was and takes it away again.
class TortureSite {
public:
    TortureSite(Rig &rig, Torture torture, const QByteArray &contents)
        : m_rig(rig)
    {
        const QByteArray path = QFile::encodeName(rig.path);
        QFile::remove(rig.path);
        switch (torture) {
        case Torture::Folder:
            QVERIFY(QDir().mkdir(rig.path));
            QVERIFY(writeFile(rig.path + QStringLiteral("/inside.txt"), kNextSong));
            break;
        case Torture::PipeAlone:
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            break;
        case Torture::PipeWithWriter: {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            // Read-write so that this end opens without waiting for a reader.
            m_writer = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            QVERIFY(m_writer >= 0);
            const QByteArray song("Piped,Song\n");
            QCOMPARE(::write(m_writer, song.constData(), size_t(song.size())), ssize_t(song.size()));
            break;
        }
        case Torture::ZeroDevice:
            QCOMPARE(::symlink("/dev/zero", path.constData()), 0);
            break;
        case Torture::RandomDevice:
            QCOMPARE(::symlink("/dev/urandom", path.constData()), 0);
            break;
        case Torture::LinkLoop: {
            const QByteArray other = QFile::encodeName(rig.dir.filePath(QStringLiteral("loop")));
            QCOMPARE(::symlink(other.constData(), path.constData()), 0);
            QCOMPARE(::symlink(path.constData(), other.constData()), 0);
            break;
        }
        case Torture::DanglingLink: {
            const QByteArray nowhere = QFile::encodeName(rig.dir.filePath(QStringLiteral("nowhere.txt")));
            QCOMPARE(::symlink(nowhere.constData(), path.constData()), 0);
            break;
        }
        case Torture::FolderIsAFile:
            QVERIFY(writeFile(rig.path, kNextSong));
            rig.settings.AutoPSPath = rig.path + QStringLiteral("/SongName.txt");
            break;
        case Torture::NoPath:
            rig.settings.AutoPSPath.clear();
            break;
        case Torture::Vanished:
            break;
        case Torture::Contents:
            QVERIFY(writeFile(rig.path, contents));
            break;
        case Torture::HugeLine: {
            QFile file(rig.path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("Huge Artist - ") > 0);
            const QByteArray block = QByteArray("la ").repeated(1024 * 1024 / 3);
            while (file.size() < kHugeLineBytes)
                QVERIFY(file.write(block) == block.size());
            QVERIFY(file.write(",Never Read\n") > 0);
            break;
        }
        }
    }

    ~TortureSite()
    {
        if (m_writer >= 0)
            ::close(m_writer);
        QFile::remove(m_rig.dir.filePath(QStringLiteral("loop")));
        QFileInfo site(m_rig.path);
        if (site.isDir() && !site.isSymLink())
            QDir(m_rig.path).removeRecursively();
        else
            QFile::remove(m_rig.path);
        m_rig.settings.AutoPSPath = m_rig.path;
    }

    TortureSite(const TortureSite &) = delete;
    TortureSite &operator=(const TortureSite &) = delete;

private:
    Rig &m_rig;
    int m_writer = -1;
};

// How a play-out program rewrites the file while the driver reads it.
enum class Writer {
    TruncateThenWrite,
    TruncateThenWriteInPieces,
    RenameOver,
};

const QByteArray kSongA("Alpha Song One\n");
const QByteArray kSongB("Bravo Song Two\n");

bool isPrefixOfEither(const QString &text)
{
    return QStringLiteral("ALPHA SONG ONE").startsWith(text)
        || QStringLiteral("BRAVO SONG TWO").startsWith(text);
}

void rewrite(Writer writer, const QString &path, const QString &scratch, const QByteArray &song)
{
    const QByteArray native = QFile::encodeName(writer == Writer::RenameOver ? scratch : path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (writer == Writer::TruncateThenWriteInPieces) {
        const qsizetype half = song.size() / 2;
        [[maybe_unused]] auto a = ::write(fd, song.constData(), size_t(half));
        [[maybe_unused]] auto b = ::write(fd, song.constData() + half, size_t(song.size() - half));
    } else {
        [[maybe_unused]] auto all = ::write(fd, song.constData(), size_t(song.size()));
    }
    ::close(fd);
    if (writer == Writer::RenameOver)
        ::rename(native.constData(), QFile::encodeName(path).constData());
}

} // namespace

Q_DECLARE_METATYPE(Torture)
Q_DECLARE_METATYPE(Expect)
Q_DECLARE_METATYPE(Writer)
Q_DECLARE_METATYPE(zorvan::SongFileStatus)

class TestSongFileTorture : public QObject {
    Q_OBJECT

private slots:
    void tortureAtTheSongPath_data()
    {
        QTest::addColumn<Torture>("torture");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<Expect>("expect");
        QTest::addColumn<QString>("shown"); // null: not checked letter by letter
        QTest::addColumn<QString>("boardLabel0"); // null: not checked
        QTest::addColumn<QString>("boardRt"); // null: not checked

        const QString any;
        const auto keeps = [&](const char *name, Torture torture) {
            QTest::newRow(name) << torture << QByteArray() << Expect::KeepsSong << any << any << any;
        };
        keeps("replaced by a folder", Torture::Folder);
        keeps("named pipe without a writer", Torture::PipeAlone);
        keeps("named pipe with a writer attached", Torture::PipeWithWriter);
        keeps("link to /dev/zero", Torture::ZeroDevice);
        keeps("link to /dev/urandom", Torture::RandomDevice);
        keeps("symbolic link loop", Torture::LinkLoop);
        keeps("folder in the path is a file", Torture::FolderIsAFile);

        const auto missing = [&](const char *name, Torture torture) {
            QTest::newRow(name) << torture << QByteArray() << Expect::MissingFile << any << any << any;
        };
        missing("vanished between two ticks", Torture::Vanished);
        missing("link to a file that does not exist", Torture::DanglingLink);
        missing("no path at all", Torture::NoPath);

        const auto reads = [&](const char *name, const QByteArray &bytes, const QString &shown,
                               const QString &label0, const QString &rt) {
            QTest::newRow(name) << Torture::Contents << bytes << Expect::ReadsSong << shown << label0 << rt;
        };
        reads("binary garbage with NUL bytes", garbage(), any, any, any);
        reads("NUL bytes inside the fields", QByteArray("Art\0ist,Ti\0tle\n", 15), any, "ART IST ",
            "ART IST,TI TLE");
        reads("CR, LF and CRLF mixed", "Artist\r\nTitle\rAlbum\nYear\r\n", "ARTIST TITLE ALBUM", "ARTIST T",
            "ARTIST");
        reads("empty lines before the song", "\r\n\rArtist\n", "  ARTIST", "  ARTIST", "");
        reads("LF CR counts as two breaks", "Artist\n\rTitle\n", "ARTIST  TITLE", "ARTIST  ", "ARTIST");
        reads("invalid UTF-8: a lone 0xFF", "Caf\xC3\xA9 \xFF Bar\n", QString::fromUtf8("CAFÃ© Ÿ BAR"),
            QString::fromUtf8("CAFÃ© Ÿ "), QString::fromUtf8("CAFÃ© Ÿ BAR"));
        reads("invalid UTF-8: a sequence cut short", "Caf\xC3 Bar\n", QString::fromUtf8("CAFÃ BAR"),
            QString::fromUtf8("CAFÃ BAR"), QString::fromUtf8("CAFÃ BAR"));
        reads("invalid UTF-8: an encoded surrogate", "Odd \xED\xA0\x80 Song\n",
            QString::fromUtf8("ODD Í\u00A0€ SONG"), QString::fromUtf8("ODD Í\u00A0€ "),
            QString::fromUtf8("ODD Í\u00A0€ SONG"));
        // The note is one character of the eight, one "?" on the line.
        reads("valid UTF-8 the board cannot show", "Song \xF0\x9F\x8E\xB5,Artist\n", any, "SONG ? A",
            "SONG ?,ARTIST");
        const QString hugeShown
            = (QStringLiteral("HUGE ARTIST - ") + QStringLiteral("LA ").repeated(30)).left(64);
        QTest::newRow("a 50 MB single line") << Torture::HugeLine << QByteArray() << Expect::ReadsSong
                                             << hugeShown << QStringLiteral("HUGE ART") << hugeShown;
    }

    // Whatever sits at the song path, the tick comes back, shows no box but
    // the missing-file one where nothing is there, sends only well-formed
    // frames, and the next ordinary song goes through.
    void tortureAtTheSongPath()
    {
        QFETCH(Torture, torture);
        QFETCH(QByteArray, contents);
        QFETCH(Expect, expect);
        QFETCH(QString, shown);
        QFETCH(QString, boardLabel0);
        QFETCH(QString, boardRt);

        Rig rig;
        rig.settings.InsertDate = true;
        QVERIFY(writeFile(rig.path, kFirstSong));
        rig.tick(QStringLiteral("first song"));
        rig.verifySongArrived(QStringLiteral("ARTIST TITLE"), QStringLiteral("ARTIST,TITLE"));
        const LabelList labelsBefore = LabelList::fromSettings(rig.settings);

        {
            TortureSite site(rig, torture, contents);
            if (QTest::currentTestFailed())
                return;
            for (int i = 0; i < kTorturedTicks; ++i)
                rig.tick(QStringLiteral("tick %1 at %2").arg(i).arg(QTest::currentDataTag()));
            QVERIFY(rig.engine.failures.empty());
            const std::vector<ArrivedTransmission> arrived = rig.runner.takeArrived();

            switch (expect) {
            case Expect::KeepsSong:
                QCOMPARE(rig.engine.messages, QStringList());
                QVERIFY(arrived.empty());
                QCOMPARE(rig.engine.state.SongDisplay, QStringLiteral("ARTIST TITLE"));
                QCOMPARE(rig.engine.state.radioTextField, QStringLiteral("ARTIST,TITLE"));
                QVERIFY(LabelList::fromSettings(rig.settings) == labelsBefore);
                QCOMPARE(rig.settings.AutoPS, qint16(DynamicMode::Scroll));
                QCOMPARE(rig.settings.RTSwitch, qint16(1));
                break;
            case Expect::MissingFile:
                QCOMPARE(rig.engine.messages, QStringList { kMissingSongFileMessage });
                QVERIFY(arrived.empty());
                QCOMPARE(rig.engine.state.SongDisplay, QString());
                QCOMPARE(rig.engine.switchedOff, 1);
                QCOMPARE(rig.settings.AutoPS, qint16(0));
                QCOMPARE(rig.settings.RTSwitch, qint16(0));
                break;
            case Expect::ReadsSong: {
                QCOMPARE(rig.engine.messages, QStringList());
                // One change, sent at the first tick; the same bytes read
                // again are no change.
                int labelUploads = 0;
                for (const ArrivedTransmission &each : arrived) {
                    QCOMPARE(each.outcome, LinkOutcome::Sent);
                    QCOMPARE(int(each.strayBytes), 0);
                    QCOMPARE(each.rejectedFrames, 0);
                    if (each.frames.size() == 2 * kLabelCount)
                        ++labelUploads;
                    else
                        QCOMPARE(int(each.frames.size()), 1);
                }
                QCOMPARE(labelUploads, 1);
                QVERIFY(arrived.size() <= 2);
                QVERIFY(rig.engine.state.SongDisplay.size() <= 64);
                if (!shown.isNull())
                    QCOMPARE(rig.engine.state.SongDisplay, shown);
                if (!boardLabel0.isNull())
                    QCOMPARE(rig.runner.board().working().ps[0], boardLabel0);
                if (!boardRt.isNull())
                    QCOMPARE(rig.runner.board().working().rt, boardRt);
                rig.verifyBoardHoldsLabels();
                break;
            }
            }
            if (QTest::currentTestFailed())
                return;
        }

        if (expect == Expect::MissingFile) {
            rig.engine.chooseMode(DynamicMode::Scroll);
            rig.engine.chooseRtUpdate(true);
        }
        const qsizetype messages = rig.engine.messages.size();
        QVERIFY(writeFile(rig.path, kNextSong));
        rig.tick(QStringLiteral("next song"));
        rig.verifySongArrived(
            QStringLiteral("NEXT ARTIST NEXT TITLE"), QStringLiteral("NEXT ARTIST,NEXT TITLE"));
        QCOMPARE(rig.engine.messages.size(), messages);
    }

    void rewrittenWhileRead_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::newRow("truncated, then written") << Writer::TruncateThenWrite;
        QTest::newRow("truncated, then written in two pieces") << Writer::TruncateThenWriteInPieces;
        QTest::newRow("new file renamed over it") << Writer::RenameOver;
    }

    // A second thread rewrites the file as fast as it can while the engine
    // ticks: every tick sees the old song, the new one, or the file part
    // way through its rewriting, never anything else and never a box.
    void rewrittenWhileRead()
    {
        QFETCH(Writer, writer);
        constexpr int kTicks = 1500;
        constexpr long kRewrites = 1500;
        constexpr int kTickCap = 1000000;

        Rig rig;
        QVERIFY(writeFile(rig.path, kSongA));
        const QString scratch = rig.dir.filePath(QStringLiteral("SongName.tmp"));
        std::atomic<bool> stop = false;
        std::atomic<long> rewrites = 0;
        std::thread hammer([&] {
            while (!stop.load()) {
                rewrite(writer, rig.path, scratch, rewrites.load() % 2 ? kSongB : kSongA);
                ++rewrites;
            }
        });
        // A failed check returns at once: the writer is stopped all the same.
        struct StopWriter {
            std::atomic<bool> &stop;
            std::thread &hammer;
            ~StopWriter()
            {
                stop = true;
                if (hammer.joinable())
                    hammer.join();
            }
        } stopWriter { stop, hammer };
        // Until a tick has read a first line, the radio-text field shows the
        // record's own radio text.
        const QString startRt = rig.engine.state.radioTextField;

        // On a busy machine the writer may get little time at first: the
        // ticks go on until it has rewritten the file often enough too.
        int uploads = 0;
        QSet<QString> seen;
        for (int i = 0;
             (i < kTicks || rewrites.load() < kRewrites) && i < kTickCap && !QTest::currentTestFailed();
             ++i) {
            rig.tick(QStringLiteral("tick %1 while the file is rewritten").arg(i));
            const AutoUpdateState &state = rig.engine.state;
            QVERIFY2(isPrefixOfEither(state.SongDisplay), qPrintable(state.SongDisplay));
            QVERIFY2(isPrefixOfEither(state.radioTextField) || state.radioTextField == startRt,
                qPrintable(state.radioTextField));
            seen.insert(state.SongDisplay);
            for (const ArrivedTransmission &each : rig.runner.takeArrived()) {
                QCOMPARE(each.outcome, LinkOutcome::Sent);
                QCOMPARE(int(each.strayBytes), 0);
                QCOMPARE(each.rejectedFrames, 0);
                QVERIFY(each.frames.size() == 2 * kLabelCount || each.frames.size() == 1);
                uploads += each.frames.size() == 2 * kLabelCount;
            }
        }
        stop = true;
        hammer.join();
        if (QTest::currentTestFailed())
            return;
        qInfo("%ld rewrites, %d label uploads, %lld different song texts seen", rewrites.load(), uploads,
            static_cast<long long>(seen.size()));
        QCOMPARE(rig.engine.messages, QStringList());
        QVERIFY(rig.engine.failures.empty());
        QVERIFY(rewrites.load() >= kRewrites);
        QVERIFY(uploads >= 1);

        QVERIFY(writeFile(rig.path, kNextSong));
        rig.tick(QStringLiteral("after the rewriting"));
        rig.verifySongArrived(
            QStringLiteral("NEXT ARTIST NEXT TITLE"), QStringLiteral("NEXT ARTIST,NEXT TITLE"));
    }

    void rewrittenBetweenTwoReads_data()
    {
        QTest::addColumn<QByteArray>("rewrite"); // empty: left alone
        QTest::addColumn<bool>("newTimeStamp");
        QTest::addColumn<bool>("secondReadFails");
        QTest::newRow("left alone: reads on to the end") << QByteArray() << false << false;
        QTest::newRow("rewritten longer") << QByteArray("Bravo Song Two\n") << false << true;
        QTest::newRow("rewritten to the same length, later") << QByteArray("Bravo S") << true << true;
    }

    // One tick reads the file in pieces. A rewrite between two pieces
    // would splice the old song's start onto the new one's end ("Alpha
    // Song Two"), a title that never played; the read fails instead and
    // the next tick reads the file whole.
    void rewrittenBetweenTwoReads()
    {
        QFETCH(QByteArray, rewrite);
        QFETCH(bool, newTimeStamp);
        QFETCH(bool, secondReadFails);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("SongName.txt"));
        QVERIFY(writeFile(path, "Alpha S")); // the writer caught half way
        PlatformSongFileReader reader;
        OpenedSongFile opened = reader.open(path);
        QCOMPARE(opened.status, SongFileStatus::Opened);
        const std::optional<QByteArray> first = opened.file->read(4096);
        QVERIFY(first);
        QCOMPARE(*first, QByteArray("Alpha S"));

        if (!rewrite.isEmpty()) {
            // In place, as a play-out program does: same file, truncated.
            QVERIFY(writeFile(path, rewrite));
            if (newTimeStamp) {
                const QByteArray native = QFile::encodeName(path);
                struct stat now { };
                QCOMPARE(::stat(native.constData(), &now), 0);
                const struct timespec later[2]
                    = { now.st_atim, { now.st_mtim.tv_sec + 1, now.st_mtim.tv_nsec } };
                QCOMPARE(::utimensat(AT_FDCWD, native.constData(), later, 0), 0);
            }
        }
        const std::optional<QByteArray> second = opened.file->read(4096);
        QCOMPARE(!second.has_value(), secondReadFails);
        if (second)
            QCOMPARE(*second, QByteArray());
    }

    // The guard the tests above rely on: a call that never returns ends the
    // run with a failure instead of hanging it. Tried in a child process,
    // which the watchdog ends.
    void aHungCallFailsTheRun()
    {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The watchdog's report would read as a failure in this run's log.
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDERR_FILENO);
            // Opening a pipe for reading waits for a writer that never comes.
            SoakWatchdog watchdog(200ms);
            watchdog.guard(QStringLiteral("open of a pipe without a writer"),
                [&] { ::open(fifo.constData(), O_RDONLY); });
            ::_exit(0);
        }

        int status = 0;
        pid_t ended = 0;
        for (int waited = 0; waited < 3000 && ended == 0; ++waited) {
            ended = ::waitpid(child, &status, WNOHANG);
            if (ended == 0)
                std::this_thread::sleep_for(10ms);
        }
        if (ended == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            QFAIL("the watchdog let a hung call go on");
        }
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), SoakWatchdog::kHungExitCode);
    }
};

QTEST_GUILESS_MAIN(TestSongFileTorture)
#include "tst_song_file_torture.moc"
