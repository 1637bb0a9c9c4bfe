#include "ui/song_wiring.h"

#include "form1_harness.h"
#include "link/frame_decoder.h"
#include "link/link_failure_message.h"
#include "link/memory_serial_port.h"
#include "ui/help_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSemaphore>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace zorvan;
using zorvan::test::Form1Harness;

namespace {

// A pause of this length in a plan waits until the test opens the gate: it
// stands for a button upload that is still on the line.
constexpr int kGatedPauseMs = 4321;

struct Frame {
    QByteArray name;
    QByteArray value;
};

QList<Frame> framesOn(const QByteArray &line)
{
    QList<Frame> frames;
    FrameDecoder decoder;
    auto take = [&frames](const std::vector<DecoderEvent> &events) {
        for (const DecoderEvent &event : events) {
            if (const auto *frame = std::get_if<DecodedFrame>(&event))
                frames.append(Frame { frame->name, frame->value });
            else
                frames.append(Frame { "stray", {} });
        }
    };
    take(decoder.feed(line, 0));
    take(decoder.finish());
    return frames;
}

QByteArrayList namesOf(const QList<Frame> &frames)
{
    QByteArrayList names;
    for (const Frame &frame : frames)
        names << frame.name;
    return names;
}

QByteArrayList labelUploadNames()
{
    QByteArrayList names;
    for (const char *kind : { "PS", "PD" }) {
        for (int i = 0; i < kLabelCount; ++i)
            names << kind + QByteArray::number(i).rightJustified(2, '0');
    }
    return names;
}

void click(QWidget *widget)
{
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

// The main window over a memory store, the real link over a memory port
// whose pauses do not sleep, a song file in a temporary folder, and the
// message boxes taken by a sink.
class Rig {
public:
    Rig()
    {
        auto port = std::make_unique<MemorySerialPort>();
        m_port = port.get();
        link = std::make_unique<EncoderLink>(std::move(port), [gate = gate](std::chrono::milliseconds ms) {
            if (ms.count() == kGatedPauseMs)
                gate->acquire();
        });
        songPath = m_dir.filePath(QStringLiteral("SongName.txt"));
        harness.store(QStringLiteral("AutoPSPath"), songPath);
        m_previousSink = setMessageSink([this](QWidget *, const QString &text) {
            messages << text;
            if (whileBoxOpen)
                whileBoxOpen();
        });
    }
    ~Rig()
    {
        gate->release(100);
        link->waitForIdle();
        wiring.reset();
        setMessageSink(m_previousSink);
    }

    // Builds the window and the wiring, runs the start-up, and stops the
    // timers: the test fires them itself.
    Form1 &start()
    {
        Form1 &form = harness.form();
        wiring = std::make_unique<SongWiring>(form, *link, harness.settings, harness.backend);
        harness.start();
        for (QTimer *timer : { form.timers().clock, form.timers().preview, form.timers().engine })
            timer->stop();
        return form;
    }

    void writeSong(const QByteArray &bytes)
    {
        QFile file(songPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    // One engine tick, and everything it sends and shows.
    void engineTick()
    {
        wiring->engineTimerFired();
        settle();
    }
    void settle()
    {
        QTRY_VERIFY(!link->busy() && !wiring->engine().isBusy());
        QCoreApplication::processEvents();
    }

    QList<Frame> frames() const { return framesOn(m_port->written()); }
    MemorySerialPort &port() { return *m_port; }

    template <class Widget> Widget *find(const QString &name) { return harness.find<Widget>(name); }

    Form1Harness harness;
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>();
    std::unique_ptr<EncoderLink> link;
    std::unique_ptr<SongWiring> wiring;
    QString songPath;
    QStringList messages;
    std::function<void()> whileBoxOpen;

private:
    QTemporaryDir m_dir;
    MemorySerialPort *m_port = nullptr;
    MessageSink m_previousSink;
};

} // namespace

class TestSongWiring : public QObject {
    Q_OBJECT

private slots:
    void songChangeReachesTheBoard_data()
    {
        QTest::addColumn<QString>("autoPS");
        QTest::addColumn<QString>("rtSwitch");
        QTest::addColumn<QByteArray>("song");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("firstLabel");
        QTest::addColumn<QString>("radioText");
        QTest::addColumn<bool>("labelsSent");
        QTest::addColumn<bool>("radioTextSent");
        QTest::addColumn<int>("modeShown"); // -1: as stored

        QTest::newRow("split, both updates on")
            << "1"
            << "1" << QByteArray("Artist,A Song Title\r\n") << "ARTIST A SONG TITLE"
            << "ARTIST A"
            << "ARTIST,A SONG TITLE" << true << true << -1;
        QTest::newRow("scroll, both updates on") << "2"
                                                 << "1" << QByteArray("abcdefghij\n") << "ABCDEFGHIJ"
                                                 << "ABCDEFGH"
                                                 << "ABCDEFGHIJ" << true << true << -1;
        QTest::newRow("labels only") << "1"
                                     << "0" << QByteArray("Artist - Title") << "ARTIST - TITLE"
                                     << "ARTIST -" << QString() << true << false << -1;
        QTest::newRow("radio text only, quoted field")
            << "0"
            << "1" << QByteArray("\"Smith, Jo\",Blue\n") << QString() << QString() << "\"SMITH, JO\",BLUE"
            << false << true << -1;
        // "Yes" chosen after "Turn off": label 0 follows the song unpadded.
        QTest::newRow("turn off with PS update on: nothing sent")
            << "1"
            << "0" << QByteArray("Artist - Title") << "ARTIST - TITLE"
            << "ARTIST -" << QString() << false << false << 0;
    }
    void songChangeReachesTheBoard()
    {
        QFETCH(QString, autoPS);
        QFETCH(QString, rtSwitch);
        QFETCH(QByteArray, song);
        QFETCH(QString, display);
        QFETCH(QString, firstLabel);
        QFETCH(QString, radioText);
        QFETCH(bool, labelsSent);
        QFETCH(bool, radioTextSent);
        QFETCH(int, modeShown);

        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), autoPS);
        rig.harness.store(QStringLiteral("RTSwitch"), rtSwitch);
        rig.harness.store(QStringLiteral("RT"), QString());
        Form1 &form = rig.start();
        if (modeShown >= 0)
            form.autoPage().updateType[std::size_t(modeShown)]->setChecked(true);
        rig.writeSong(song);
        rig.engineTick();

        if (!display.isNull()) {
            QCOMPARE(form.autoPage().songDisplay->text(), display);
            QCOMPARE(form.labelPages().labels[0]->text(), firstLabel);
            QCOMPARE(rig.harness.stored(QStringLiteral("PS")), firstLabel);
        }
        QCOMPARE(form.autoPage().radioText->text(), radioText);

        QByteArrayList expected;
        if (labelsSent)
            expected << labelUploadNames();
        if (radioTextSent)
            expected << "RT";
        const QList<Frame> frames = rig.frames();
        QCOMPARE(namesOf(frames), expected);
        if (labelsSent)
            QCOMPARE(frames[0].value, firstLabel.toLatin1());
        if (radioTextSent)
            QCOMPARE(frames.last().value, radioText.toLatin1() + "\r\r\r");
        QCOMPARE(rig.messages, QStringList());

        // The same song at the next tick: nothing more goes out.
        const QByteArray line = rig.port().written();
        rig.engineTick();
        rig.writeSong(song);
        rig.engineTick();
        QCOMPARE(rig.port().written(), line);
    }

    void newSongAfterTheFirstIsSentAgain()
    {
        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), QStringLiteral("1"));
        rig.harness.store(QStringLiteral("RTSwitch"), QStringLiteral("1"));
        rig.start();
        rig.writeSong("First,Song\n");
        rig.engineTick();
        rig.writeSong("Second,Song\n");
        rig.engineTick();
        const QList<Frame> frames = rig.frames();
        QCOMPARE(frames.size(), 2 * 201);
        QCOMPARE(frames[201].value, QByteArray("SECOND S"));
        QCOMPARE(frames.last().value, QByteArray("SECOND,SONG\r\r\r"));
        QCOMPARE(rig.harness.stored(QStringLiteral("RT")), QStringLiteral("SECOND,SONG"));
    }

    void missingSongFileSwitchesBothUpdatesOff()
    {
        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), QStringLiteral("2"));
        rig.harness.store(QStringLiteral("RTSwitch"), QStringLiteral("1"));
        Form1 &form = rig.start();
        // The timer goes on firing while the box is open: no second box.
        rig.whileBoxOpen = [&rig] {
            for (int i = 0; i < 3; ++i)
                rig.wiring->engineTimerFired();
        };
        rig.engineTick();
        QTRY_COMPARE(rig.messages.size(), 1);
        rig.settle();

        QCOMPARE(rig.messages, QStringList { kMissingSongFileMessage });
        QVERIFY(form.autoPage().psUpdateNo->isChecked());
        QVERIFY(form.autoPage().rtUpdateNo->isChecked());
        QVERIFY(!form.autoPage().psUpdateYes->isChecked());
        QVERIFY(!form.autoPage().rtUpdateYes->isChecked());
        QCOMPARE(rig.harness.stored(QStringLiteral("AutoPS")), QStringLiteral("0"));
        QCOMPARE(rig.harness.stored(QStringLiteral("RTSwitch")), QStringLiteral("0"));
        QVERIFY(form.autoPage().updateType[2]->isChecked());
        QCOMPARE(form.autoPage().songDisplay->text(), QString());
        QCOMPARE(rig.port().written(), QByteArray());

        // Switched off: later ticks neither read nor tell again.
        rig.writeSong("Back,Again\n");
        rig.engineTick();
        QCOMPARE(rig.messages.size(), 1);
        QCOMPARE(rig.port().written(), QByteArray());
    }

    void linkFailureIsToldAtEveryAttempt_data()
    {
        QTest::addColumn<int>("openOutcome");
        QTest::addColumn<int>("boxes"); // after three ticks
        QTest::newRow("port missing: every attempt") << int(OpenOutcome::Missing) << 3;
        QTest::newRow("port busy: once until it works") << int(OpenOutcome::Busy) << 1;
    }
    void linkFailureIsToldAtEveryAttempt()
    {
        QFETCH(int, openOutcome);
        QFETCH(int, boxes);
        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), QStringLiteral("1"));
        rig.harness.store(QStringLiteral("RTSwitch"), QStringLiteral("0"));
        rig.port().setOpenOutcome(OpenOutcome(openOutcome));
        rig.start();
        rig.writeSong("Artist,Title\n");
        for (int i = 0; i < 3; ++i)
            rig.engineTick();
        const QString text = linkFailureMessage(
            openOutcome == int(OpenOutcome::Missing) ? LinkOutcome::PortMissing : LinkOutcome::PortBusy);
        QCOMPARE(rig.messages, QStringList(boxes, text));
        QCOMPARE(rig.port().written(), QByteArray());

        // The upload still pending goes out once the port is back.
        rig.port().setOpenOutcome(OpenOutcome::Ok);
        rig.engineTick();
        QCOMPARE(namesOf(rig.frames()), labelUploadNames());
    }

    void radioTextPreview_data()
    {
        QTest::addColumn<QString>("rt");
        QTest::addColumn<QStringList>("shown");
        const QString blanks(8, QLatin1Char(' '));
        QTest::newRow("RT preview runs the text through 8 characters")
            << "HELLO" << QStringList { "HELLO   ", "ELLO    ", "LLO     ", "LO      ", "HELLO   " };
        QTest::newRow("RT preview of an empty radio text") << "" << QStringList { blanks, blanks };
    }
    void radioTextPreview()
    {
        QFETCH(QString, rt);
        QFETCH(QStringList, shown);
        Rig rig;
        rig.harness.store(QStringLiteral("RT"), rt);
        Form1 &form = rig.start();
        form.rightColumn().previewRt->click();

        QStringList seen;
        for (int i = 0; i < shown.size(); ++i) {
            rig.wiring->previewTimerFired();
            seen << form.rightColumn().previewLabel->text();
        }
        QCOMPARE(seen, shown);
        QCOMPARE(form.trayIcon()->toolTip(), QStringLiteral("RODIREZ500+ >>%1<<").arg(rt));
        QCOMPARE(form.timers().preview->interval(), 200);

        // Back to PS: the faster pace stays.
        form.rightColumn().previewPs->click();
        rig.wiring->previewTimerFired();
        QCOMPARE(form.timers().preview->interval(), 200);
    }

    void previewSkipsLabelsSwitchedOff()
    {
        Rig rig;
        Form1 &form = rig.start();
        for (int i = 0; i < kLabelCount; ++i)
            form.labelPages().delays[i]->setCurrentIndex(i == 3 || i == 7 ? 2 : 0);
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            rig.wiring->previewTimerFired();
            seen << form.rightColumn().previewLabel->text();
        }
        QCOMPARE(seen,
            (QStringList { form.labelPages().labels[3]->text(), form.labelPages().labels[7]->text(),
                form.labelPages().labels[0]->text() }));
        QCOMPARE(form.DspCount, qint16(1));
        QCOMPARE(form.timers().preview->interval(), 1000);
        QCOMPARE(form.trayIcon()->toolTip(), "RODIREZ500+ >>" + rig.harness.settings.RT + "<<");
    }

    void clockLabelsShowTheComputerClock()
    {
        Rig rig;
        Form1 &form = rig.start();
        const QDateTime now(QDate(2026, 12, 8), QTime(7, 5, 9));
        rig.wiring->setClock([now] { return now; });
        rig.wiring->clockTimerFired();
        const ClockTexts expected = ClockTick(now);
        QCOMPARE(form.messagePage().pcTime->text(), expected.time);
        QCOMPARE(form.messagePage().pcDate->text(), expected.date);
        QVERIFY(expected.time.contains(QLatin1String("05")));
        QVERIFY(!expected.date.isEmpty());
    }

    void updateChoicesAreStored_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("psPairShows"); // objectName of the checked PS option, or empty
        QTest::newRow("PS Yes") << "Option24"
                                << "AutoPS"
                                << "1"
                                << "Option24";
        QTest::newRow("PS No") << "Option23"
                               << "AutoPS"
                               << "0"
                               << "Option23";
        QTest::newRow("RT Yes") << "Option19"
                                << "RTSwitch"
                                << "1"
                                << "";
        QTest::newRow("RT No") << "Option20"
                               << "RTSwitch"
                               << "0"
                               << "";
        QTest::newRow("mode Turn off is PS No") << "Option1_0"
                                                << "AutoPS"
                                                << "0"
                                                << "Option23";
        QTest::newRow("mode Split is PS Yes") << "Option1_1"
                                              << "AutoPS"
                                              << "1"
                                              << "Option24";
        QTest::newRow("mode Scroll is PS Yes, stored as 2") << "Option1_2"
                                                            << "AutoPS"
                                                            << "2"
                                                            << "Option24";
    }
    void updateChoicesAreStored()
    {
        QFETCH(QString, option);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, psPairShows);
        Rig rig;
        // Start from the opposite of every choice so that each one shows.
        rig.harness.store(QStringLiteral("AutoPS"), stored == QLatin1String("0") ? "1" : "0");
        rig.harness.store(QStringLiteral("RTSwitch"), stored == QLatin1String("0") ? "1" : "0");
        rig.start();
        rig.find<QRadioButton>(option)->click();
        QCOMPARE(rig.harness.stored(key), stored);
        if (!psPairShows.isEmpty())
            QVERIFY(rig.find<QRadioButton>(psPairShows)->isChecked());
        QCOMPARE(rig.port().written(), QByteArray());
    }

    void radioTextFieldIsFittedAndStored_data()
    {
        QTest::addColumn<int>("eventType");
        QTest::newRow("focus leaves") << int(QEvent::FocusOut);
        QTest::newRow("click into it") << int(QEvent::MouseButtonRelease);
    }
    void radioTextFieldIsFittedAndStored()
    {
        QFETCH(int, eventType);
        Rig rig;
        Form1 &form = rig.start();
        QLineEdit *field = form.autoPage().radioText;
        field->setText(QStringLiteral("hello ") + QString(70, QLatin1Char('x')));
        if (eventType == QEvent::FocusOut) {
            QFocusEvent leave(QEvent::FocusOut);
            QCoreApplication::sendEvent(field, &leave);
        } else {
            click(field);
        }
        const QString fitted = QStringLiteral("HELLO ") + QString(58, QLatin1Char('X'));
        QCOMPARE(field->text(), fitted);
        QCOMPARE(rig.harness.stored(QStringLiteral("RT")), fitted);
        QCOMPARE(rig.port().written(), QByteArray());
    }

    void songDisplayClickTakesItAsRadioText()
    {
        Rig rig;
        rig.harness.store(QStringLiteral("RTSwitch"), QStringLiteral("0"));
        rig.harness.store(QStringLiteral("RT"), QStringLiteral("OLD"));
        Form1 &form = rig.start();
        rig.wiring->engine().ShowSongText(QStringLiteral("Artist <b>Title</b>"));
        QCOMPARE(form.autoPage().songDisplay->text(), QStringLiteral("ARTIST <B>TITLE</B>"));
        QCOMPARE(form.autoPage().songDisplay->textFormat(), Qt::PlainText);
        QCOMPARE(rig.harness.stored(QStringLiteral("RT")), QStringLiteral("OLD"));
        click(form.autoPage().songDisplay);
        QCOMPARE(rig.harness.stored(QStringLiteral("RT")), QStringLiteral("ARTIST <B>TITLE</B>"));
        QCOMPARE(form.autoPage().radioText->text(), QStringLiteral("OLD"));
    }

    // A button upload is on the line: the three timers fire several times
    // and each runs once when it has ended.
    void ticksInsideATransmissionRunOnceAfterIt()
    {
        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), QStringLiteral("1"));
        rig.harness.store(QStringLiteral("RTSwitch"), QStringLiteral("0"));
        Form1 &form = rig.start();
        rig.writeSong("Artist,Title\n");
        int clockReads = 0;
        rig.wiring->setClock([&clockReads] {
            ++clockReads;
            return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
        });
        const qint16 position = form.DspCount;

        QSignalSpy finished(rig.link.get(), &EncoderLink::finished);
        Transmission upload;
        upload.frame("SAVE", "");
        upload.pause(kGatedPauseMs);
        QVERIFY(rig.link->run(upload, [](LinkOutcome) {}));
        for (int i = 0; i < 3; ++i) {
            rig.wiring->engineTimerFired();
            rig.wiring->previewTimerFired();
            rig.wiring->clockTimerFired();
        }
        QCOMPARE(clockReads, 0);
        QCOMPARE(form.DspCount, position);
        QCOMPARE(form.autoPage().songDisplay->text(), QString());

        rig.gate->release();
        QVERIFY(finished.wait());
        rig.settle();
        QCOMPARE(clockReads, 1);
        QCOMPARE(form.DspCount, qint16(position + 1));
        QCOMPARE(form.autoPage().songDisplay->text(), QStringLiteral("ARTIST TITLE"));
        QByteArrayList expected { "SAVE" };
        expected << labelUploadNames();
        QCOMPARE(namesOf(rig.frames()), expected);
        QCOMPARE(finished.size(), 2);
    }

    void shownSongAtStartUpCountsAsSent()
    {
        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), QStringLiteral("1"));
        rig.harness.store(QStringLiteral("RTSwitch"), QStringLiteral("0"));
        Form1 &form = rig.harness.form();
        // Something earlier in the start-up has put a song into the display.
        form.addStartUpHook(Form1::StartUpStep::FillControls,
            [&form] { form.autoPage().songDisplay->setText(QStringLiteral("ARTIST TITLE")); });
        rig.start();
        QCOMPARE(rig.wiring->engine().lastSentText(), QStringLiteral("ARTIST TITLE"));
        rig.writeSong("Artist,Title\n");
        rig.engineTick();
        QCOMPARE(rig.port().written(), QByteArray());
    }

    void noTickAfterTheWindowHasClosed()
    {
        Rig rig;
        rig.harness.store(QStringLiteral("AutoPS"), QStringLiteral("1"));
        Form1 &form = rig.start();
        rig.writeSong("Artist,Title\n");
        form.close();
        rig.engineTick();
        rig.wiring->previewTimerFired();
        QCOMPARE(rig.port().written(), QByteArray());
        QCOMPARE(form.autoPage().songDisplay->text(), QString());
    }
};

QTEST_MAIN(TestSongWiring)
#include "tst_song_wiring.moc"
