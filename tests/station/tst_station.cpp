#include "memory_settings_backend.h"
#include "station/station.h"

#include "link/frame_decoder.h"
#include "link/link_failure_message.h"
#include "link/wire_text.h"
#include "memory_serial_port.h"
#include "memory_song_file_reader.h"
#include "settings/settings_store.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimeZone>
#include <algorithm>

#include <QtTest>
#include <cstdio>
#include <sys/stat.h>

using namespace zorvan;

namespace {

// The names of the frames that reached the line, in order.
QList<QByteArray> frameNames(const QByteArray &line)
{
    FrameDecoder decoder;
    QList<QByteArray> names;
    for (const DecoderEvent &event : decoder.feed(line, 0)) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event))
            names << frame->name;
    }
    return names;
}

// The radio texts that reached the line, in order.
QStringList radioTexts(const QByteArray &line)
{
    FrameDecoder decoder;
    QStringList texts;
    for (const DecoderEvent &event : decoder.feed(line, 0)) {
        const auto *frame = std::get_if<DecodedFrame>(&event);
        if (frame && frame->name == "RT")
            texts << fromWireText(frame->value).remove(QLatin1Char('\r'));
    }
    return texts;
}

// The values of the frames of that name, in order.
QStringList frameValues(const QByteArray &line, const QByteArray &name)
{
    FrameDecoder decoder;
    QStringList values;
    for (const DecoderEvent &event : decoder.feed(line, 0)) {
        const auto *frame = std::get_if<DecodedFrame>(&event);
        if (frame && frame->name == name)
            values << fromWireText(frame->value);
    }
    return values;
}

int linesHolding(const QStringList &lines, const QString &text)
{
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&text](const QString &line) { return line.contains(text); }));
}

bool replaceFile(const QString &path, const QByteArray &bytes)
{
    const QString fresh = path + QStringLiteral(".new");
    QFile file(fresh);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return ::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0;
}

// A station over a store in memory and a port in memory, following a song
// file in a temporary folder.
struct Rig {
    Rig()
    {
        songPath = dir.filePath(QStringLiteral("song.txt"));
        store(QStringLiteral("AutoPS"), QStringLiteral("1"));
        store(QStringLiteral("RTSwitch"), QStringLiteral("1"));
        store(QStringLiteral("AutoPSPath"), songPath);
        store(QStringLiteral("InsertDate"), QStringLiteral("False"));
        auto owned = std::make_unique<MemorySerialPort>();
        port = owned.get();
        station = std::make_unique<Station>(backend, std::move(owned));
        auto counting = std::make_unique<zorvan::test::CountingSongFileReader>(files);
        reader = counting.get();
        station->setSongFileReader(std::move(counting));
        QObject::connect(
            station.get(), &Station::notice, station.get(), [this](const QString &text) { notices << text; });
    }
    void store(const QString &key, const QString &value) { backend.write(kSettingsSection, key, value); }
    void programme(int number, const QStringList &keyValues)
    {
        for (qsizetype i = 0; i + 1 < keyValues.size(); i += 2)
            backend.write(QStringLiteral("Programme%1").arg(number), keyValues[i], keyValues[i + 1]);
    }
    // Ticks, and waits until the line has been quiet for a moment.
    QByteArray tick()
    {
        const qsizetype before = port->written().size();
        station->engineTick();
        // A warning may stand in the status bar; a running upload reports.
        for (qsizetype last = -1;
             last != port->written().size() || station->statusText().startsWith(QLatin1String("Sending"));) {
            last = port->written().size();
            QTest::qWait(250); // longer than the second look at an empty read
        }
        return port->written().mid(before);
    }
    void writeSong(const QByteArray &bytes)
    {
        QFile file(songPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void start()
    {
        station->beginStartUp();
        station->load();
        // The test drives the ticks itself.
        station->engineTimer().stop();
        station->previewTimer().stop();
        station->clockTimer().stop();
    }

    QTemporaryDir dir;
    QString songPath;
    PlatformSongFileReader files;
    zorvan::test::CountingSongFileReader *reader = nullptr;
    MemorySettingsBackend backend;
    MemorySerialPort *port = nullptr;
    std::unique_ptr<Station> station;
    QStringList notices;
};

} // namespace

class TestStation : public QObject {
    Q_OBJECT

private slots:
    // One song from the file to the line: reader, engine, record, link and
    // store, with no window and no widget library in the process.
    void songChangeWithoutAWindow()
    {
        QCOMPARE(QCoreApplication::instance()->metaObject()->className(), "QCoreApplication");
        Rig rig;
        rig.store(QStringLiteral("AutoPS"), QStringLiteral("1")); // "Split into 9 separate PS"
        rig.start();
        rig.writeSong("Artist - A Song Title\r\n");

        rig.station->engineTick();
        QTRY_COMPARE(frameNames(rig.port->written()).size(), 201);
        const QList<QByteArray> names = frameNames(rig.port->written());
        QCOMPARE(names.first(), QByteArray("PS00"));
        QCOMPARE(names[199], QByteArray("PD99"));
        QCOMPARE(names.last(), QByteArray("RT"));
        QCOMPARE(rig.station->record().PS[0], QStringLiteral("ARTIST -"));
        QCOMPARE(rig.station->autoUpdate().onAir.LastSentText, QStringLiteral("ARTIST - A SONG TITLE"));
        QCOMPARE(rig.backend.read(kSettingsSection, QStringLiteral("PS1")),
            std::optional(QStringLiteral(" A SONG ")));
        QCOMPARE(rig.station->statusText(), QStringLiteral("Ready"));

        // Nothing new: nothing sent.
        const qsizetype sent = rig.port->written().size();
        rig.station->engineTick();
        QTest::qWait(50);
        QCOMPARE(rig.port->written().size(), sent);
    }

    // A fault of the automatic updates is told once while it lasts; what did
    // not go out goes when the port is back; after that a new fault is told.
    void autoUpdateFaultToldOnce()
    {
        Rig rig;
        rig.start();
        rig.port->setOpenOutcome(OpenOutcome::Missing);
        rig.writeSong("Song one\n");
        const QString missing = linkFailureMessage(LinkOutcome::PortMissing);

        for (int tick = 0; tick < 3; ++tick) {
            rig.station->engineTick();
            QTRY_VERIFY(rig.station->statusText() == missing);
            QTest::qWait(20);
        }
        QCOMPARE(rig.notices, QStringList { missing });
        QCOMPARE(rig.port->written().size(), 0);

        rig.port->setOpenOutcome(OpenOutcome::Ok);
        rig.station->engineTick();
        QTRY_VERIFY(frameNames(rig.port->written()).contains("RT"));
        QTRY_COMPARE(rig.station->statusText(), QStringLiteral("Ready"));

        rig.port->setOpenOutcome(OpenOutcome::Missing);
        rig.writeSong("Song two\n");
        rig.station->engineTick();
        QTRY_COMPARE(rig.notices.size(), 2);
    }

    // The service told of a song folder that vanished once, as of a missing
    // file; a pipe in the file's place is not the file back, a regular file is.
    void vanishedSongFolder()
    {
        Rig rig;
        const QString folder = rig.dir.filePath(QStringLiteral("songs"));
        const QString path = folder + QStringLiteral("/song.txt");
        QVERIFY(QDir().mkpath(folder));
        rig.store(QStringLiteral("AutoPSPath"), path);
        rig.station->setUnattended(true);
        QStringList log;
        connect(rig.station.get(), &Station::logged, this, [&log](const QString &line) { log << line; });
        rig.start();
        QVERIFY(replaceFile(path, "Song one\n"));
        rig.station->engineTick();
        QTRY_VERIFY(frameNames(rig.port->written()).contains("RT"));
        const auto ticks = [&rig](int count) {
            for (int tick = 0; tick < count; ++tick) {
                rig.station->engineTick();
                QTest::qWait(20);
            }
        };

        QVERIFY(QDir(folder).removeRecursively());
        ticks(3);
        QCOMPARE(log.filter(QStringLiteral("does not exist")).size(), 1);
        QCOMPARE(rig.station->record().AutoPS, 1);

        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        ticks(2);
        QCOMPARE(log.filter(QStringLiteral("is back")).size(), 0);

        QVERIFY(QFile::remove(path));
        QVERIFY(replaceFile(path, "Song two\n"));
        ticks(1);
        QTRY_COMPARE(log.filter(QStringLiteral("is back")).size(), 1);
        QCOMPARE(log.filter(QStringLiteral("does not exist")).size(), 1);
    }

    // A raw device server given as rfc2217:// passed the Telnet offer on to
    // the board: told once, and nothing more goes there, from the ticks or
    // from a button, until the port is changed.
    void rawServerNotTriedAgainUntilThePortChanges()
    {
        Rig rig;
        rig.backend.write(kPortsSection, QStringLiteral("COM1"), QStringLiteral("rfc2217://server:4001"));
        rig.start();
        rig.port->setOpenOutcome(OpenOutcome::NotRfc2217);
        rig.writeSong("Song one\n");
        const auto tries
            = [&rig] { return std::ranges::count(rig.port->events(), MemorySerialPort::Event::Open); };
        for (int tick = 0; tick < 3; ++tick) {
            rig.station->engineTick();
            QTest::qWait(30);
        }
        QTRY_COMPARE(rig.notices.size(), 1);
        QCOMPARE(tries(), 1);
        rig.station->press(UploadButton::SynchronizeTime);
        QTRY_COMPARE(rig.notices.size(), 2);
        QCOMPARE(rig.notices.last(), linkFailureMessage(LinkOutcome::NotRfc2217, "rfc2217://server:4001"));
        QCOMPARE(tries(), 1);

        rig.port->setOpenOutcome(OpenOutcome::Ok);
        rig.backend.write(kPortsSection, QStringLiteral("COM1"), QStringLiteral("tcp://server:4001"));
        rig.station->engineTick();
        QTRY_VERIFY(frameNames(rig.port->written()).contains("RT"));
        QVERIFY(tries() > 1);
    }

    // A press while the engine's upload runs is not lost: it runs right
    // after; the same press again while it waits is the same press. Clock
    // and preview ticks inside the transmissions run once after them.
    void pressDuringTheEngineUpload()
    {
        Rig rig;
        rig.start();
        rig.writeSong("Song\n");
        QSignalSpy changes(rig.station.get(), &Station::changed);

        rig.station->engineTick();
        rig.station->press(UploadButton::SynchronizeTime);
        rig.station->press(UploadButton::SynchronizeTime);
        rig.station->previewTick();
        rig.station->previewTick();
        QVERIFY(rig.station->previewLabel().isEmpty());
        QVERIFY(rig.station->uploadButtonEnabled(UploadButton::SendSettings));

        QTRY_VERIFY_WITH_TIMEOUT(frameNames(rig.port->written()).contains("SAVE"), 5000);
        const QList<QByteArray> names = frameNames(rig.port->written());
        QCOMPARE(names.count("TIME"), 1);
        QVERIFY(names.indexOf("TIME") > names.indexOf("RT"));
        QCOMPARE(rig.station->previewLabel(), rig.station->record().PS[0]);
        QTRY_COMPARE(rig.station->statusText(), QStringLiteral("Ready"));
    }

    // Nothing is saved before the record was loaded, and shut-down waits
    // for a transmission under way, then saves.
    void startAndEnd()
    {
        Rig rig;
        const int writesBefore = rig.backend.writeCount;
        rig.station->beginStartUp();
        rig.station->saveUnasked();
        QVERIFY(rig.station->shutDown());
        QCOMPARE(rig.backend.writeCount, writesBefore);

        Rig running;
        running.start();
        running.writeSong("Song\n");
        QSignalSpy ready(running.station.get(), &Station::readyToClose);
        running.station->engineTick();
        QVERIFY(!running.station->shutDown());
        QCOMPARE(
            running.station->statusText(), QStringLiteral("Finishing the transmission before closing..."));
        QVERIFY(ready.wait());
        const int writes = running.backend.writeCount;
        QVERIFY(running.station->shutDown());
        QVERIFY(running.backend.writeCount > writes);
        QVERIFY(frameNames(running.port->written()).contains("PS99"));
    }

    // A change of the song file runs the engine at once, without the tick;
    // a file replaced by renaming keeps being watched; a storm of rewrites
    // costs at most one extra tick in 100 ms.
    void watchedSongFile()
    {
        Rig rig;
        rig.writeSong("First\n");
        rig.start();
        rig.station->engineTick();
        QTRY_COMPARE(radioTexts(rig.port->written()), QStringList { "FIRST" });

        QVERIFY(replaceFile(rig.songPath, "Second\n"));
        QTRY_COMPARE(radioTexts(rig.port->written()).value(1), QStringLiteral("SECOND"));
        QVERIFY(replaceFile(rig.songPath, "Third\n"));
        QTRY_COMPARE(radioTexts(rig.port->written()).value(2), QStringLiteral("THIRD"));

        const int opensBefore = rig.reader->opens;
        QElapsedTimer storm;
        storm.start();
        for (int n = 0; n < 50; ++n) {
            rig.writeSong(QByteArray("Storm song ") + QByteArray::number(n) + "\n");
            QTest::qWait(20);
        }
        const qint64 stormMs = storm.elapsed();
        QTRY_COMPARE(radioTexts(rig.port->written()).last(), QStringLiteral("STORM SONG 49"));
        QTest::qWait(300);
        // Two reads a tick (the fields, then the first line).
        const int ticks = (rig.reader->opens - opensBefore) / 2;
        QVERIFY2(ticks <= stormMs / 100 + 4,
            qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(stormMs)));
    }

    // A writer that truncates before it writes: the empty moment never goes
    // on air; an empty file that stays empty does.
    void emptyReadIsConfirmed()
    {
        Rig rig;
        rig.store(QStringLiteral("AutoPS"), QStringLiteral("0"));
        rig.writeSong("On air\n");
        rig.start();
        rig.station->engineTick();
        QTRY_COMPARE(radioTexts(rig.port->written()), QStringList { "ON AIR" });

        for (int n = 0; n < 5; ++n) {
            rig.writeSong("");
            rig.station->engineTick();
            QTest::qWait(20);
            rig.writeSong(QByteArray("Next ") + QByteArray::number(n) + "\n");
            rig.station->engineTick();
            QTest::qWait(300);
        }
        QVERIFY(!radioTexts(rig.port->written()).contains(QString()));
        QCOMPARE(radioTexts(rig.port->written()).last(), QStringLiteral("NEXT 4"));

        rig.writeSong("");
        rig.station->engineTick();
        QTRY_COMPARE(radioTexts(rig.port->written()).last(), QString());
    }

    // The operator's rules apply before the split; a jingle leaves on air
    // what is there. After the set minutes without a new song the station's
    // own texts go back on air, once; the next song is followed again.
    void rulesAndFallback()
    {
        Rig rig;
        rig.store(QStringLiteral("RTSwitch"), QStringLiteral("0"));
        QDateTime now(QDate(2026, 12, 9), QTime(10, 0));
        rig.station->setClock([&now] { return now; });
        rig.start();
        rig.station->commitLabel(0, QStringLiteral("MY RADIO"));
        rig.station->commitRadioText(QStringLiteral("the station"));
        rig.station->setSongRules(parseSongRules(QStringLiteral("feat. => ft\n!JINGLE*")));
        rig.station->setFallbackRule(FallbackRule { 5, false });

        rig.writeSong("Artist feat. Guest\n");
        rig.station->engineTick();
        QTRY_VERIFY(frameNames(rig.port->written()).contains("PD99"));
        QCOMPARE(rig.station->record().PS[0], QStringLiteral("ARTIST F"));
        QCOMPARE(rig.station->record().PS[1], QStringLiteral("T GUEST "));

        const qsizetype afterSong = rig.port->written().size();
        rig.writeSong("Jingle - summer\n");
        rig.station->engineTick();
        QTest::qWait(50);
        QCOMPARE(rig.port->written().size(), afterSong);

        now = now.addSecs(5 * 60 - 1);
        rig.station->engineTick();
        QTest::qWait(50);
        QCOMPARE(rig.port->written().size(), afterSong);
        QCOMPARE(rig.station->onAir(), OnAir::Song);

        now = now.addSecs(1);
        rig.station->engineTick();
        QTRY_VERIFY(radioTexts(rig.port->written()).contains(QStringLiteral("THE STATION")));
        QCOMPARE(rig.station->onAir(), OnAir::Station);
        QCOMPARE(rig.station->record().PS[0], QStringLiteral("MY RADIO"));
        const qsizetype afterStation = rig.port->written().size();
        now = now.addSecs(60);
        rig.station->engineTick();
        QTest::qWait(50);
        QCOMPARE(rig.port->written().size(), afterStation);

        rig.writeSong("Next song\n");
        rig.station->engineTick();
        QTRY_COMPARE(rig.station->onAir(), OnAir::Song);
        QTRY_COMPARE(rig.station->record().PS[0], QStringLiteral("NEXT SON"));
        QTRY_VERIFY(rig.port->written().size() > afterStation);
    }

    // A programme that does not follow songs: its texts go on air at its
    // start (labels it does not name stay the station's), the song is held
    // off while it runs and goes out again at its end. A clock stepped
    // inside it and a reload send nothing again; a changed text is sent
    // alone. An unusable entry is named once.
    void programmeHoldsTheSongOff()
    {
        Rig rig;
        rig.programme(1,
            { "Name", "Morning Show", "Days", "Mon-Fri", "Start", "07:00", "End", "09:00", "FollowSongs",
                "False", "PS", "MORNING", "PS1", "SHOW", "RT", "Wake up" });
        rig.programme(2, { "Name", "Broken", "Days", "Mon-Fri", "Start", "7 am", "End", "09:00" });
        QDateTime now(QDate(2026, 12, 7), QTime(6, 59, 59), QTimeZone("Europe/Berlin"));
        rig.station->setClock([&now] { return now; });
        rig.start();
        rig.station->commitLabel(50, QStringLiteral("STATION"));
        rig.writeSong("Artist - Song\n");
        QCOMPARE(radioTexts(rig.tick()), QStringList { "ARTIST - SONG" });
        QCOMPARE(rig.station->programmeInForce(), std::nullopt);

        now = now.addSecs(1);
        QByteArray sent = rig.tick();
        QCOMPARE(frameNames(sent).size(), 201);
        QCOMPARE(frameValues(sent, "PS00"), QStringList { "MORNING " });
        QCOMPARE(frameValues(sent, "PS01"), QStringList { "SHOW    " });
        QCOMPARE(frameValues(sent, "PS50"), QStringList { "STATION " });
        QCOMPARE(radioTexts(sent), QStringList { "WAKE UP" });
        QCOMPARE(rig.station->programmeInForce(), std::optional(QStringLiteral("Morning Show")));
        QCOMPARE(
            linesHolding(rig.station->logLines(), "Programme Morning Show begins: its texts go on air"), 1);

        rig.writeSong("Other - Song\n");
        now = QDateTime(QDate(2026, 12, 7), QTime(8, 30), QTimeZone("Europe/Berlin"));
        QCOMPARE(rig.tick(), QByteArray());
        now = QDateTime(QDate(2026, 12, 7), QTime(7, 5), QTimeZone("Europe/Berlin"));
        QCOMPARE(rig.tick(), QByteArray());
        QVERIFY(rig.station->reloadSettingsFile());
        QCOMPARE(rig.tick(), QByteArray());
        rig.programme(1, { "RT", "Still waking" });
        QVERIFY(rig.station->reloadSettingsFile());
        sent = rig.tick();
        QCOMPARE(frameNames(sent), QList<QByteArray> { "RT" });
        QCOMPARE(radioTexts(sent), QStringList { "STILL WAKING" });

        now = QDateTime(QDate(2026, 12, 7), QTime(9, 0), QTimeZone("Europe/Berlin"));
        sent = rig.tick();
        QCOMPARE(frameValues(sent, "PS00"), QStringList { "OTHER - " });
        QCOMPARE(frameValues(sent, "PS50"), QStringList { "STATION " });
        QCOMPARE(radioTexts(sent), QStringList { "OTHER - SONG" });
        QCOMPARE(rig.station->programmeInForce(), std::nullopt);
        QCOMPARE(
            linesHolding(rig.station->logLines(), "Programme Morning Show ends: the song is followed again"),
            1);
        // Once at start-up and once for each of the two reloads.
        QCOMPARE(linesHolding(rig.station->logLines(), "[Programme2] Broken: start \"7 am\""), 3);
    }

    // A programme that follows songs changes nothing while a song is on
    // air; its texts are those the fallback puts on air; at its end the
    // station's own go back, only what differs.
    void programmeFollowingSongs()
    {
        Rig rig;
        rig.store(QStringLiteral("AutoPS"), QStringLiteral("0"));
        rig.programme(1,
            { "Name", "Drive", "Days", "Mon-Fri", "Start", "16:00", "End", "19:00", "FollowSongs", "True",
                "RT", "Drive time" });
        QDateTime now(QDate(2026, 12, 7), QTime(15, 59, 59), QTimeZone("Europe/Berlin"));
        rig.station->setClock([&now] { return now; });
        rig.start();
        rig.station->commitRadioText(QStringLiteral("the station"));
        rig.station->setFallbackRule(FallbackRule { 0, true });
        rig.writeSong("Artist - Song\n");
        QCOMPARE(radioTexts(rig.tick()), QStringList { "ARTIST - SONG" });

        now = now.addSecs(1);
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.station->programmeInForce(), std::optional(QStringLiteral("Drive")));

        rig.writeSong("");
        QByteArray sent = rig.tick(); // an empty read is believed a moment later
        QCOMPARE(radioTexts(sent), QStringList { "DRIVE TIME" });
        QCOMPARE(frameNames(sent).size(), 201);
        QCOMPARE(rig.station->onAir(), OnAir::Station);

        now = QDateTime(QDate(2026, 12, 7), QTime(19, 0), QTimeZone("Europe/Berlin"));
        sent = rig.tick();
        QCOMPARE(frameNames(sent), QList<QByteArray> { "RT" });
        QCOMPARE(radioTexts(sent), QStringList { "THE STATION" });
    }

    // The link drops between a song's labels and its radio text, and the
    // settings are read again: the record already holds the song's radio
    // text, but the board does not, so it goes out once the link is back.
    void radioTextCutShortGoesOutAfterAReload()
    {
        Rig rig;
        rig.start();
        rig.writeSong("Song one\n");
        rig.station->engineTick();
        QTRY_COMPARE(radioTexts(rig.port->written()), QStringList { QStringLiteral("SONG ONE") });
        // The next song's labels are as long as these (same delays, 8
        // characters each): the line fails right after them, in the first
        // write of the radio text.
        const QByteArray first = rig.port->written();
        const qsizetype labelBytes = first.lastIndexOf(QByteArray("\x00RT\x01", 4));
        rig.port->failAfter(first.size() + labelBytes + 1);

        rig.writeSong("Song two\n");
        rig.station->engineTick();
        QTRY_COMPARE(rig.notices.size(), 1);
        QCOMPARE(frameNames(rig.port->written().mid(first.size())).size(), 200);
        QVERIFY(rig.station->reloadSettingsFile());
        rig.port->clearFaults();
        // The failed write handed over the first byte of its frame.
        const qsizetype retried = rig.port->written().size();
        // A tick of the song file's watch may still be under way: ticks
        // come until one runs, as the engine's timer would bring them.
        QTRY_VERIFY((rig.station->engineTick(), !radioTexts(rig.port->written().mid(retried)).isEmpty()));
        QCOMPARE(radioTexts(rig.port->written().mid(retried)), QStringList { QStringLiteral("SONG TWO") });
    }

    // Values that cannot be used are named once each at load, with what
    // is used instead, in the log and the status bar.
    void unusableValuesAreNamed_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("named");
        QTest::newRow("delay not a number") << kSettingsSection << "PSDelay5"
                                            << "abc"
                                            << "[RODIREZ500+] PSDelay5=abc cannot be used; 2 is used instead";
        QTest::newRow("clock minutes off the list")
            << kDriverSection << "ClockSyncMinutes"
            << "7"
            << "[Driver] ClockSyncMinutes=7 cannot be used; 0 (off) is used instead";
        QTest::newRow("negative fallback")
            << kDriverSection << "FallbackMinutes"
            << "-1"
            << "[Driver] FallbackMinutes=-1 cannot be used; 0 (off) is used instead";
        QTest::newRow("unknown song source")
            << kDriverSection << "SongSource"
            << "Cassette"
            << "[Driver] SongSource=Cassette cannot be used; File is used instead";
        QTest::newRow("rule without arrow")
            << kDriverSection << "Replace1"
            << "feat. ft"
            << "[Driver] Replace1=feat. ft cannot be used; no rule is used instead";
        QTest::newRow("rule of nothing") << kDriverSection << "Replace1"
                                         << "=>ft"
                                         << "[Driver] Replace1==>ft cannot be used; no rule is used instead";
        QTest::newRow("baud rate for a speed") << kSettingsSection << "COMSpeed"
                                               << "14400"
                                               << "[RODIREZ500+] COMSpeed=14400 is no speed of the list (1 "
                                                  "to 4); the port's own line settings are "
                                                  "used instead (9600 baud at first)";
    }
    void unusableValuesAreNamed()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, named);
        Rig rig;
        rig.backend.write(section, key, value);
        rig.start();
        QStringList lines = rig.station->logLines();
        QCOMPARE(lines.filter(named).size(), 1);
        QCOMPARE(lines.filter(QStringLiteral("cannot be used")).size()
                + lines.filter(QStringLiteral("is no speed")).size(),
            1);
        QVERIFY2(rig.station->statusText().contains(named), qPrintable(rig.station->statusText()));
    }

    // The board's clock set every so many minutes when chosen: the time and
    // the date, without the store command; the choice is kept.
    void clockSetAutomatically()
    {
        Rig rig;
        rig.store(QStringLiteral("AutoPS"), QStringLiteral("0"));
        rig.store(QStringLiteral("RTSwitch"), QStringLiteral("0"));
        rig.start();
        QVERIFY(!rig.station->clockSyncTimer().isActive());
        rig.station->setClockSyncMinutes(60);
        QCOMPARE(rig.station->clockSyncTimer().interval(), 60 * 60 * 1000);
        QCOMPARE(rig.backend.read(kDriverSection, QStringLiteral("ClockSyncMinutes")),
            std::optional(QStringLiteral("60")));

        emit rig.station->clockSyncTimer().timeout({});
        QTRY_COMPARE(frameNames(rig.port->written()), (QList<QByteArray> { "TIME", "DATE" }));
        QTest::qWait(50);
        QCOMPARE(frameNames(rig.port->written()).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
