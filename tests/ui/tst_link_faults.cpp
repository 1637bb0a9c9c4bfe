#include "fault_privileges.h"
#include "memory_settings_backend.h"
#include "link/clock_sync.h"
#include "link/com_port_map.h"
#include "link/frame_decoder.h"
#include "link/link_failure_message.h"
#include "link/posix_serial_port.h"
#include "plan_over_pty.h"
#include "pty_reader.h"
#include "settings/settings_store.h"
#include "testsupport.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zorvan;
using namespace std::chrono_literals;

namespace QTest {
template <> char *toString(const std::optional<LinkOutcome> &outcome)
{
    return qstrdup(outcome ? QByteArray::number(int(*outcome)).constData() : "none");
}
} // namespace QTest
using zorvan::test::PtyReader;

namespace {

constexpr int kPatienceMs = 20000;
// Short, so that a stuck line costs the test little; far above what a
// working pseudo-terminal needs.
const LinkTimeouts kShortTimeouts { 400ms, 400ms };

// What the window shows once a transmission has ended, however it ended.
struct RestState {
    QString status;
    int progress = -1;
    int enabledUploadButtons = 0;
    int descriptorsOnPort = -1;
};

// The whole program in this process, with COM1 on a pseudo-terminal, lock
// files looked for in a folder of its own, and every message box caught.
class Rig {
public:
    // Without `boardOnCom1`, COM1 names a device that does not exist.
    explicit Rig(const std::map<QString, QString> &stored = {}, bool boardOnCom1 = true)
    {
        backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("0"));
        for (const auto &[key, value] : stored)
            backend.write(kSettingsSection, key, value);
        if (boardOnCom1)
            plugIn();
        else
            setComPortDevice(backend, 1, lockDir.filePath(QStringLiteral("no-such-board")));
        m_previousSink = setMessageSink([this](QWidget *, const QString &text) {
            messages << text;
            atMessage = restState();
            if (onMessage)
                onMessage();
        });
        driver = std::make_unique<Driver>(
            backend, std::make_unique<PosixSerialPort>(QStringList { lockDir.path() }));
        driver->link().setTimeouts(kShortTimeouts);
        finished = std::make_unique<QSignalSpy>(&driver->link(), &EncoderLink::finished);
        QSignalSpy started(&driver->window(), &Form1::startedUp);
        driver->startUp();
        started.wait(kPatienceMs);
    }
    ~Rig()
    {
        driver->link().waitForIdle();
        driver.reset();
        setMessageSink(m_previousSink);
    }

    // A new board on COM1, as after plugging the adapter in again.
    void plugIn()
    {
        if (board)
            retired.push_back(std::move(board));
        board = std::make_unique<PtyReader>();
        setComPortDevice(backend, 1, board->slavePath());
    }

    Form1 &form() { return driver->window(); }
    QPushButton *button(const QString &name) { return form().findChild<QPushButton *>(name); }

    RestState restState()
    {
        RestState state;
        state.status = form().statusText();
        state.progress = form().findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->value();
        for (const char *name : { "Command12", "Command10", "Command11" })
            state.enabledUploadButtons += button(QLatin1String(name))->isEnabled() ? 1 : 0;
        state.descriptorsOnPort = board ? test::descriptorsOn(board->slavePath()) : -1;
        return state;
    }

    // The outcome of the next transmission to end.
    std::optional<LinkOutcome> nextOutcome(int withinMs = kPatienceMs)
    {
        if (finished->isEmpty() && !finished->wait(withinMs))
            return std::nullopt;
        return finished->takeFirst().first().value<LinkOutcome>();
    }

    // "Synchronize time" goes out whole on the board now on COM1.
    bool synchronizesTime()
    {
        const QDateTime now = QDateTime::currentDateTime();
        const qsizetype size = board->bytes().size() + SynchronizeClock(now).plan->bytes().size();
        button(QStringLiteral("Command11"))->click();
        const std::optional<LinkOutcome> outcome = nextOutcome();
        return outcome == LinkOutcome::Sent && board->waitForBytes(size, 5s) && board->bytes().size() == size;
    }

    // Events that a late message would come in with.
    void settle() { QTest::qWait(300); }

    test::IsolatedConfig config;
    QTemporaryDir lockDir;
    MemorySettingsBackend backend;
    std::unique_ptr<PtyReader> board;
    std::vector<std::unique_ptr<PtyReader>> retired;
    std::unique_ptr<Driver> driver;
    std::unique_ptr<QSignalSpy> finished;
    QStringList messages;
    RestState atMessage;
    std::function<void()> onMessage;

private:
    MessageSink m_previousSink;
};

// A message as the status bar shows it, on one line.
QString statusLine(LinkOutcome outcome)
{
    return linkFailureMessage(outcome)
        .replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

bool writeSong(const QString &path, const QByteArray &bytes)
{
    QFile song(path);
    return song.open(QIODevice::WriteOnly | QIODevice::Truncate) && song.write(bytes) == bytes.size();
}

// The frames that reached the board, in order, with whatever came before
// the first of them left out.
QList<DecodedFrame> framesOn(const PtyReader &board)
{
    QList<DecodedFrame> frames;
    FrameDecoder decoder;
    std::vector<DecoderEvent> events = decoder.feed(board.bytes(), 0);
    for (DecoderEvent &event : decoder.finish())
        events.push_back(std::move(event));
    for (const DecoderEvent &event : events) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event))
            frames.append(*frame);
    }
    return frames;
}

QList<QByteArray> namesOf(const QList<DecodedFrame> &frames)
{
    QList<QByteArray> names;
    for (const DecodedFrame &frame : frames)
        names << frame.name;
    return names;
}

QList<QByteArray> labelUploadNames()
{
    QList<QByteArray> names;
    for (const char *kind : { "PS", "PD" }) {
        for (int i = 0; i < kLabelCount; ++i)
            names << QByteArray(kind) + QByteArray::number(i).rightJustified(2, '0');
    }
    return names;
}

// Holds the port as another program would, for as long as it lives.
class Holder {
public:
    Holder(const QString &how, PtyReader &board, const QString &lockDir)
        : m_how(how)
        , m_board(board)
    {
        const QString device = board.slavePath();
        if (how == "flock") {
            m_fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            m_ok = m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
        } else if (how == "lock file") {
            m_lockFile = lockDir + QLatin1Char('/') + PosixSerialPort::lockFileName(device);
            QFile file(m_lockFile);
            m_ok = file.open(QIODevice::WriteOnly)
                && file.write(QByteArray::number(qint64(::getpid())).rightJustified(10) + '\n') == 11;
        } else if (how == "exclusive") {
            m_ok = ::ioctl(board.slaveFd(), TIOCEXCL) == 0;
        } else if (how == "no permission") {
            m_ok = ::chmod(QFile::encodeName(device).constData(), 0) == 0;
        }
    }
    ~Holder() { release(); }

    bool ok() const { return m_ok; }

    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (!m_lockFile.isEmpty())
            QFile::remove(m_lockFile);
        m_lockFile.clear();
        if (m_how == "exclusive")
            ::ioctl(m_board.slaveFd(), TIOCNXCL);
        if (m_how == "no permission")
            ::chmod(QFile::encodeName(m_board.slavePath()).constData(), 0620);
        m_how.clear();
    }

private:
    QString m_how;
    PtyReader &m_board;
    QString m_lockFile;
    int m_fd = -1;
    bool m_ok = false;
};

} // namespace

class TestLinkFaults : public QObject {
    Q_OBJECT

private slots:
    // The adapter pulled out in the middle of an upload from a button: the
    // upload stops at the next frame, is reported once, and the port is
    // free for the next one.
    void farEndGoneDuringButtonUpload_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Send RT and PS") << "Command10";
        QTest::newRow("Send settings") << "Command12";
    }
    void farEndGoneDuringButtonUpload()
    {
        QFETCH(QString, button);
        Rig rig;
        if (!rig.board->isValid())
            QSKIP("no pseudo-terminal available on this machine");
        const int descriptorsBefore = test::openDescriptorCount();

        rig.button(button)->click();
        QVERIFY(rig.driver->link().busy());
        QVERIFY(rig.board->waitForBytes(1, 5s));
        rig.board->hangUp();

        QCOMPARE(rig.nextOutcome(), LinkOutcome::WriteFailed);
        rig.settle();
        QCOMPARE(rig.messages, QStringList { linkFailureMessage(LinkOutcome::WriteFailed) });
        const RestState after = rig.restState();
        QCOMPARE(after.status, QStringLiteral("Ready"));
        QCOMPARE(after.progress, 0);
        QCOMPARE(after.enabledUploadButtons, 3);
        QCOMPARE(after.descriptorsOnPort, 1); // the board's own
        QCOMPARE(test::openDescriptorCount(), descriptorsBefore - 1); // the master went with the board

        rig.plugIn();
        QVERIFY(rig.synchronizesTime());
        QCOMPARE(rig.messages.size(), 1);
    }

    // The adapter pulled out while the song's labels go up: one message,
    // and the song goes out whole to the board plugged in afterwards,
    // without anyone pressing a button.
    void farEndGoneDuringSongUpload()
    {
        QTemporaryDir songDir;
        const QString songPath = songDir.filePath(QStringLiteral("SongName.txt"));
        QVERIFY(writeSong(songPath, QByteArray()));
        Rig rig({ { QStringLiteral("AutoPS"), QStringLiteral("1") },
            { QStringLiteral("AutoPSPath"), songPath } });
        if (!rig.board->isValid())
            QSKIP("no pseudo-terminal available on this machine");
        // The next board is in place before the engine's next tick.
        rig.onMessage = [&rig] { rig.plugIn(); };

        // The label upload goes out in one piece faster than a test can
        // watch it: a full line holds it in its first write, and the
        // adapter goes away while it waits there.
        PtyReader &first = *rig.board;
        first.stopReading();
        QVERIFY(test::fillLine(first.slaveFd()) > 0);
        QVERIFY(writeSong(songPath, "Some Artist,Some Title\r\n"));
        rig.driver->link().setTimeouts({ 10s, 400ms });
        rig.driver->station().engineTimer().setInterval(100);
        QTRY_VERIFY_WITH_TIMEOUT(rig.driver->link().busy(), kPatienceMs);
        QTest::qWait(500);
        first.hangUp();

        QCOMPARE(rig.nextOutcome(), LinkOutcome::WriteFailed);
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.size(), 1, kPatienceMs);
        QCOMPARE(rig.messages.first(), linkFailureMessage(LinkOutcome::WriteFailed));
        // The fault of an automatic update stays on the status bar.
        QCOMPARE(rig.atMessage.status, statusLine(LinkOutcome::WriteFailed));
        QCOMPARE(rig.atMessage.progress, 0);
        QCOMPARE(rig.atMessage.enabledUploadButtons, 3);
        QCOMPARE(test::descriptorsOn(first.slavePath()), 1);

        const std::optional<LinkOutcome> retry = rig.nextOutcome(60000);
        QCOMPARE(retry, LinkOutcome::Sent);
        // The board's reader may still be taking the last bytes off the line.
        QTRY_VERIFY_WITH_TIMEOUT(rig.board->bytes().contains(QByteArray("\x00PD99\x01", 6)), kPatienceMs);
        const QByteArray sent = rig.board->bytes();
        QVERIFY2(
            sent.startsWith(QByteArray("\x00PS00\x01SOME ART", 14)), sent.left(32).toHex(' ').constData());
        QVERIFY2(sent.contains(QByteArray("\x00PD99\x01", 6)), sent.right(32).toHex(' ').constData());
        rig.settle();
        QCOMPARE(rig.messages.size(), 1);
        QCOMPARE(rig.form().statusText(), QStringLiteral("Ready"));
    }

    // COM1 names a device that is not there while a song plays: the first
    // failed tick is told in one message, the ticks after it say so on the
    // status bar only, and once COM1 leads to a board the song goes out,
    // labels and radio text, without anyone pressing a button.
    void songWaitsForAMissingPort()
    {
        QTemporaryDir songDir;
        const QString songPath = songDir.filePath(QStringLiteral("SongName.txt"));
        QVERIFY(writeSong(songPath, "Some Artist,Some Title\r\n"));
        Rig rig({ { QStringLiteral("AutoPS"), QStringLiteral("1") },
                    { QStringLiteral("RTSwitch"), QStringLiteral("1") },
                    { QStringLiteral("AutoPSPath"), songPath } },
            false);
        rig.driver->station().engineTimer().setInterval(100);

        const QString missing = linkFailureMessage(LinkOutcome::PortMissing);
        for (int tick = 0; tick < 4; ++tick)
            QCOMPARE(rig.nextOutcome(), LinkOutcome::PortMissing);
        QCOMPARE(rig.messages, QStringList { missing });
        QCOMPARE(rig.form().statusText(), statusLine(LinkOutcome::PortMissing));

        rig.plugIn();
        if (!rig.board->isValid())
            QSKIP("no pseudo-terminal available on this machine");
        std::optional<LinkOutcome> outcome;
        do
            outcome = rig.nextOutcome();
        while (outcome == LinkOutcome::PortMissing);
        QCOMPARE(outcome, LinkOutcome::Sent); // the labels
        QCOMPARE(rig.nextOutcome(), LinkOutcome::Sent); // the radio text
        QVERIFY(rig.board->waitForBytes(1, 5s));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(framesOn(*rig.board)).size(), 2 * kLabelCount + 1, kPatienceMs);
        const QList<DecodedFrame> frames = framesOn(*rig.board);
        QCOMPARE(namesOf(frames), labelUploadNames() << QByteArray("RT"));
        QCOMPARE(frames.first().value, QByteArray("SOME ART"));
        QCOMPARE(frames.last().value, QByteArray("SOME ARTIST,SOME TITLE\r\r\r"));
        rig.settle();
        QCOMPARE(rig.messages.size(), 1);
        QCOMPARE(rig.form().statusText(), QStringLiteral("Ready"));
    }

    // "Send settings" pressed while the song's labels go up waits for them
    // and then goes out whole; pressed again while its own upload runs, it
    // is the same press.
    void pressDuringSongUploadRunsAfterIt()
    {
        QTemporaryDir songDir;
        const QString songPath = songDir.filePath(QStringLiteral("SongName.txt"));
        QVERIFY(writeSong(songPath, QByteArray()));
        Rig rig({ { QStringLiteral("AutoPS"), QStringLiteral("1") },
            { QStringLiteral("AutoPSPath"), songPath } });
        if (!rig.board->isValid())
            QSKIP("no pseudo-terminal available on this machine");
        // A full line holds the label upload in its first write until the
        // board reads again; the song comes once the line is full.
        PtyReader &board = *rig.board;
        board.stopReading();
        QVERIFY(test::fillLine(board.slaveFd()) > 0);
        QVERIFY(writeSong(songPath, "Some Artist,Some Title\r\n"));
        rig.driver->link().setTimeouts({ 20s, 2s });
        rig.driver->station().engineTimer().setInterval(100);
        QTRY_VERIFY_WITH_TIMEOUT(rig.driver->link().busy(), kPatienceMs);

        QPushButton *sendSettings = rig.button(QStringLiteral("Command12"));
        QVERIFY(sendSettings->isEnabled());
        sendSettings->click();
        board.resumeReading();
        QCOMPARE(rig.nextOutcome(), LinkOutcome::Sent); // the labels
        QVERIFY(rig.driver->link().busy()); // the settings, right after
        QVERIFY(sendSettings->isEnabled());
        sendSettings->click();
        QCOMPARE(rig.nextOutcome(), LinkOutcome::Sent);
        QVERIFY(!rig.nextOutcome(3000));

        const QList<QByteArray> names = namesOf(framesOn(board));
        QCOMPARE(names.mid(0, 2 * kLabelCount), labelUploadNames());
        const QList<QByteArray> settings = names.mid(2 * kLabelCount);
        QCOMPARE(settings.size(), 23);
        QCOMPARE(settings.count(QByteArray("SAVE")), 1);
        QCOMPARE(settings.last(), QByteArray("SAVE"));
        QCOMPARE(rig.messages, QStringList());
    }

    // A port that cannot be opened now: nothing written, nothing on the
    // status bar, one message naming the cause, and the port works again
    // once the cause has gone.
    void portCannotBeOpened_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<LinkOutcome>("outcome");
        QTest::newRow("no permission") << "no permission" << LinkOutcome::PortDenied;
        QTest::newRow("flock by another program") << "flock" << LinkOutcome::PortBusy;
        QTest::newRow("live lock file") << "lock file" << LinkOutcome::PortBusy;
        QTest::newRow("held exclusively") << "exclusive" << LinkOutcome::PortBusy;
    }
    void portCannotBeOpened()
    {
        QFETCH(QString, how);
        QFETCH(LinkOutcome, outcome);
        Rig rig;
        if (!rig.board->isValid())
            QSKIP("no pseudo-terminal available on this machine");
        QVERIFY(rig.synchronizesTime());
        const QByteArray sentBefore = rig.board->bytes();
        const int descriptorsBefore = test::openDescriptorCount();

        Holder holder(how, *rig.board, rig.lockDir.path());
        QVERIFY(holder.ok());
        {
            // Root passes permissions and exclusivity; the transmission's
            // thread starts without the rights that let it.
            test::ReducedCapabilities asUser { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_SYS_ADMIN };
            if (!asUser.ok())
                QSKIP(qPrintable(QStringLiteral("cannot give up root's rights here: ") + asUser.error()));
            rig.button(QStringLiteral("Command11"))->click();
        }
        QCOMPARE(rig.nextOutcome(), outcome);
        rig.settle();
        QCOMPARE(rig.messages, QStringList { linkFailureMessage(outcome) });
        const RestState after = rig.restState();
        QCOMPARE(after.status, QStringLiteral("Ready"));
        QCOMPARE(after.progress, 0);
        QCOMPARE(after.enabledUploadButtons, 3);
        QCOMPARE(after.descriptorsOnPort, how == "flock" ? 2 : 1);
        QCOMPARE(rig.board->bytes(), sentBefore);

        holder.release();
        QCOMPARE(test::openDescriptorCount(), descriptorsBefore);
        QVERIFY(::flock(rig.board->slaveFd(), LOCK_EX | LOCK_NB) == 0);
        ::flock(rig.board->slaveFd(), LOCK_UN);
        QVERIFY(rig.synchronizesTime());
        QCOMPARE(rig.messages.size(), 1);
    }

    // A board that stopped reading and left the line full, on a line
    // without flow control: the write gives up after its timeout instead of
    // hanging the upload, and the window is free again.
    void readerStopsReading_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Send RT and PS") << "Command10";
    }
    void readerStopsReading()
    {
        QFETCH(QString, button);
        Rig rig;
        if (!rig.board->isValid())
            QSKIP("no pseudo-terminal available on this machine");
        rig.board->stopReading();
        QVERIFY(test::fillLine(rig.board->slaveFd()) > 0);

        rig.button(button)->click();
        QCOMPARE(rig.nextOutcome(), LinkOutcome::WriteTimeout);
        rig.settle();
        QCOMPARE(rig.messages, QStringList { linkFailureMessage(LinkOutcome::WriteTimeout) });
        const RestState after = rig.restState();
        QCOMPARE(after.status, QStringLiteral("Ready"));
        QCOMPARE(after.progress, 0);
        QCOMPARE(after.enabledUploadButtons, 3);
        QCOMPARE(after.descriptorsOnPort, 1);
        QVERIFY(::flock(rig.board->slaveFd(), LOCK_EX | LOCK_NB) == 0);
        ::flock(rig.board->slaveFd(), LOCK_UN);

        rig.plugIn();
        QVERIFY(rig.synchronizesTime());
        QCOMPARE(rig.messages.size(), 1);
    }
};

QTEST_MAIN(TestLinkFaults)
#include "tst_link_faults.moc"
