#include "station/station.h"

#include "link/frame_decoder.h"
#include "link/link_failure_message.h"
#include "link/memory_serial_port.h"
#include "settings/settings_store.h"

#include <QSignalSpy>
#include <QtTest>

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
        QObject::connect(station.get(), &Station::notice, station.get(),
            [this](const QString &text) { notices << text; });
    }
    void store(const QString &key, const QString &value) { backend.write(kSettingsSection, key, value); }
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
        QCOMPARE(rig.station->autoUpdate().LastSentText, QStringLiteral("ARTIST - A SONG TITLE"));
        QCOMPARE(rig.backend.read(kSettingsSection, QStringLiteral("PS1")), std::optional(QStringLiteral(" A SONG ")));
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
        QCOMPARE(running.station->statusText(), QStringLiteral("Finishing the transmission before closing..."));
        QVERIFY(ready.wait());
        const int writes = running.backend.writeCount;
        QVERIFY(running.station->shutDown());
        QVERIFY(running.backend.writeCount > writes);
        QVERIFY(frameNames(running.port->written()).contains("PS99"));
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
