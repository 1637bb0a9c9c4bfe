#include "content/auto_update_engine.h"

#include "memory_song_file_reader.h"
#include "scripted_transmission_runner.h"

#include <QtTest>

using namespace zorvan;
using zorvan::test::MemorySongFileReader;
using zorvan::test::ScriptedTransmissionRunner;

namespace {

const QString kPath = QStringLiteral("/songs/SongName.txt");
const QString kBlank(8, QLatin1Char(' '));

// The window's page as plain values. Message boxes stay open until the test
// closes them, as a modal box does until the operator presses OK.
class FakeView : public AutoUpdateView {
public:
    FakeView()
        : labels(LabelList::fromSettings(StationSettings()))
    {
    }

    DynamicMode dynamicMode() const override { return mode; }
    bool insertDateChecked() const override { return insertDate; }
    int autoDelayPosition() const override { return delay; }
    QString songSourcePath() const override { return path; }
    QString labelText(int index) const override { return labels.texts[index]; }
    int labelDelay(int index) const override { return labels.delays[index]; }
    void setLabelText(int index, const QString &text) override { labels.texts[index] = text; }
    void setLabelDelay(int index, int position) override { labels.delays[index] = position; }
    QString songDisplay() const override { return display; }
    void setSongDisplay(const QString &text) override { display = text; }
    QString radioTextField() const override { return rtField; }
    void setRadioTextField(const QString &text) override { rtField = text; }
    void showAutoUpdateOff() override { ++switchedOff; }
    void showMessage(const QString &text, std::function<void()> closed) override
    {
        messages.append(text);
        openBox = std::move(closed);
    }
    void reportLinkFailure(LinkOutcome outcome, std::function<void()> closed) override
    {
        failures.push_back(outcome);
        openBox = std::move(closed);
    }

    void closeBox()
    {
        auto closed = std::move(openBox);
        openBox = nullptr;
        QVERIFY(closed);
        closed();
    }

    DynamicMode mode = DynamicMode::Split;
    bool insertDate = false;
    int delay = 3;
    QString path = kPath;
    LabelList labels;
    QString display;
    QString rtField;
    int switchedOff = 0;
    QStringList messages;
    std::vector<LinkOutcome> failures;
    std::function<void()> openBox;
};

struct Rig {
    Rig()
        : engine(
            view, runner, reader, settings, [this] { ++saves; }, [] { return QDate(2026, 12, 8); })
    {
        settings.AutoPS = 1;
        settings.RTSwitch = 0;
    }

    void song(const QByteArray &bytes) { reader.setFile(kPath, bytes); }

    FakeView view;
    ScriptedTransmissionRunner runner;
    MemorySongFileReader reader;
    StationSettings settings;
    int saves = 0;
    AutoUpdateEngine engine;
};

int countFrames(const Transmission &plan)
{
    return int(plan.bytes().count('\x02'));
}

} // namespace

class TestAutoUpdateEngine : public QObject {
    Q_OBJECT

private slots:
    void bothUpdatesOffDoesNothing()
    {
        Rig rig;
        rig.settings.AutoPS = 0;
        rig.song("Artist,Title\n");
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.reader.opens, 0);
        QVERIFY(rig.runner.plans.empty());
        QCOMPARE(rig.saves, 0);
    }

    void splitSongIsUploadedOnce()
    {
        Rig rig;
        rig.view.insertDate = true;
        rig.song("Artist - A Song Title\r\n");
        rig.engine.AutoUpdateTick();

        QCOMPARE(rig.view.display, "ARTIST - A SONG TITLE");
        const QStringList expected { "ARTIST -", " A SONG ", "TITLE   ", kBlank, kBlank, kBlank, kBlank,
            kBlank, " 8.12.26" };
        const QList<int> delays { 3, 3, 3, 0, 0, 0, 0, 0, 3 };
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(rig.view.labels.texts[i], expected[i]);
            QCOMPARE(rig.view.labels.delays[i], delays[i]);
            QCOMPARE(rig.settings.PS[i], expected[i]);
            QCOMPARE(rig.settings.PSDelay[i], qint16(delays[i]));
        }
        QCOMPARE(rig.runner.plans.size(), 1u);
        QCOMPARE(countFrames(rig.runner.plans[0]), 200);
        QVERIFY(rig.runner.plans[0].bytes().startsWith(QByteArray("\0PS00\x01"
                                                                  "ARTIST -\x02",
            15)));
        QCOMPARE(rig.engine.lastSentText(), "ARTIST - A SONG TITLE");
        QVERIFY(!rig.engine.isBusy());

        const int saves = rig.saves;
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 1u);
        QCOMPARE(rig.saves, saves);
    }

    void scrollSongThroughTheEngine_data()
    {
        QTest::addColumn<bool>("withDate");
        QTest::newRow("without date") << false;
        QTest::newRow("with date") << true;
    }
    void scrollSongThroughTheEngine()
    {
        QFETCH(bool, withDate);
        Rig rig;
        rig.view.mode = DynamicMode::Scroll;
        rig.view.insertDate = withDate;
        rig.view.delay = 8;
        rig.song("abcde,fghij\n"); // two fields: "abcde fghij", 11 characters
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.labels.texts[0], "ABCDE FG");
        QCOMPARE(rig.view.labels.texts[3], "DE FGHIJ");
        QCOMPARE(rig.view.labels.texts[4], withDate ? " 8.12.26" : "E FGHIJ ");
        QCOMPARE(rig.view.labels.delays[4], withDate ? 9 : 8);
        QCOMPARE(rig.settings.PSDelay[4], qint16(withDate ? 9 : 8));
        QCOMPARE(rig.view.labels.texts[5], kBlank);
        QCOMPARE(rig.view.labels.delays[5], 0);
        QCOMPARE(rig.runner.plans.size(), 1u);
        QVERIFY(rig.runner.plans[0].bytes().contains(QByteArray("\0PD04\x01", 6) + (withDate ? "9" : "8")));
    }

    void scrollLongSongUsesItsFullLength()
    {
        Rig rig;
        rig.view.mode = DynamicMode::Scroll;
        rig.view.insertDate = true;
        QByteArray text;
        for (int i = 0; i < 80; ++i)
            text.append(char('a' + i % 26));
        rig.song(text);
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.display.size(), 64);
        QCOMPARE(rig.view.labels.texts[63], rig.view.display.right(1) + "       ");
        QCOMPARE(rig.view.labels.texts[64], kBlank);
        QCOMPARE(rig.view.labels.texts[73], " 8.12.26"); // the last window, 80 - 7
        QCOMPARE(rig.view.labels.delays[73], 5);
    }

    // Changes that do not show are no changes: nothing is rebuilt or sent.
    void unchangedShownText_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QByteArray long64(64, 'x');
        QTest::newRow("letter case only") << QByteArray("Artist,Title") << QByteArray("ARTIST,title");
        QTest::newRow("beyond character 64") << long64 + "abc" << long64 + "xyz";
        QTest::newRow("line break style") << QByteArray("Artist\r\nTitle\r\n") << QByteArray("Artist\nTitle");
    }
    void unchangedShownText()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        Rig rig;
        rig.song(first);
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 1u);
        rig.view.labels.texts[0] = "operator";
        const int saves = rig.saves;

        rig.song(second);
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 1u);
        QCOMPARE(rig.view.labels.texts[0], "operator");
        QCOMPARE(rig.saves, saves);
    }

    void turnOffFollowsWithoutSending()
    {
        Rig rig;
        rig.view.mode = DynamicMode::TurnOff;
        rig.song("Artist - Title\n");
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.labels.texts[0], "ARTIST -");
        QCOMPARE(rig.settings.PS[0], "ARTIST -");
        QCOMPARE(rig.view.labels.texts[1], "www.kvl-");
        QCOMPARE(rig.view.labels.delays[0], 2);
        QVERIFY(rig.runner.plans.empty());

        rig.song("Abc\n");
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.labels.texts[0], "ABC");
        QVERIFY(rig.runner.plans.empty());
    }

    void emptyFileEmptiesTheDisplay()
    {
        Rig rig;
        rig.song("Artist - Title\n");
        rig.engine.AutoUpdateTick();
        rig.song("");
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.display, "");
        QCOMPARE(rig.view.labels.texts[0], kBlank);
        QCOMPARE(rig.view.labels.delays[0], 0);
        QCOMPARE(rig.runner.plans.size(), 2u);
    }

    // Missing port: one message per attempt, no radio text, and the upload
    // comes again at the next tick until it gets through.
    void pendingUploadAfterMissingPort()
    {
        Rig rig;
        rig.settings.RTSwitch = 1;
        rig.song("Artist,Title\n");
        rig.runner.answer(LinkOutcome::PortMissing);
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 1u);
        QCOMPARE(rig.view.failures, std::vector<LinkOutcome> { LinkOutcome::PortMissing });
        QCOMPARE(rig.view.rtField, ""); // radio-text step skipped
        QCOMPARE(rig.engine.lastSentText(), "");
        QVERIFY(rig.engine.isBusy());

        rig.engine.AutoUpdateTick(); // while the box is open
        QCOMPARE(rig.runner.plans.size(), 1u);
        rig.view.closeBox();
        QCoreApplication::processEvents(); // the held tick: one more attempt, which gets through
        QCOMPARE(rig.runner.plans.size(), 3u);
        QCOMPARE(countFrames(rig.runner.plans[1]), 200);
        QCOMPARE(rig.runner.plans[2].bytes(),
            QByteArray("\0RT\x01"
                       "ARTIST,TITLE\r\r\r\x02",
                20));
        QCOMPARE(rig.engine.lastSentText(), "ARTIST TITLE");
        QCOMPARE(rig.view.failures.size(), 1u);
        QCOMPARE(rig.view.messages.size(), 0);
    }

    void missingPortEveryAttempt()
    {
        Rig rig;
        rig.song("Artist,Title\n");
        for (int attempt = 1; attempt <= 3; ++attempt) {
            rig.runner.answer(LinkOutcome::PortMissing);
            rig.engine.AutoUpdateTick();
            QCOMPARE(rig.view.failures.size(), std::size_t(attempt));
            QCOMPARE(countFrames(rig.runner.plans.back()), 200);
            rig.view.closeBox();
        }
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.engine.lastSentText(), "ARTIST TITLE");
        QCOMPARE(rig.runner.plans.size(), 4u);
    }

    void otherFailuresToldOnceUntilSuccess()
    {
        Rig rig;
        rig.song("Artist,Title\n");
        for (int attempt = 0; attempt < 3; ++attempt)
            rig.runner.answer(LinkOutcome::WriteFailed);
        rig.engine.AutoUpdateTick();
        rig.view.closeBox();
        rig.engine.AutoUpdateTick();
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 3u);
        QCOMPARE(rig.view.failures, std::vector<LinkOutcome> { LinkOutcome::WriteFailed });
        QVERIFY(!rig.engine.isBusy());

        rig.engine.AutoUpdateTick(); // gets through
        QCOMPARE(rig.engine.lastSentText(), "ARTIST TITLE");
        rig.song("Next,Song\n");
        rig.runner.answer(LinkOutcome::WriteFailed);
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.failures.size(), 2u);
    }

    void radioTextFollowsTheFirstLine()
    {
        Rig rig;
        rig.settings.AutoPS = 0;
        rig.settings.RTSwitch = 1;
        rig.view.rtField = "OLD TEXT";
        rig.song("Artist, Title\nsecond line\n");
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.rtField, "ARTIST, TITLE");
        QCOMPARE(rig.settings.RT, "ARTIST, TITLE");
        QCOMPARE(rig.runner.plans.size(), 1u);
        QCOMPARE(rig.runner.plans[0].bytes(),
            QByteArray("\0RT\x01"
                       "ARTIST, TITLE\r\r\r\x02",
                21));

        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 1u);

        rig.view.rtField = "Typed by hand";
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.rtField, "ARTIST, TITLE");
        QCOMPARE(rig.runner.plans.size(), 2u);
    }

    void labelsThenRadioTextInOneTick()
    {
        Rig rig;
        rig.settings.RTSwitch = 1;
        rig.song("Artist,Title\n");
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 2u);
        QCOMPARE(countFrames(rig.runner.plans[0]), 200);
        QCOMPARE(rig.runner.plans[1].bytes(),
            QByteArray("\0RT\x01"
                       "ARTIST,TITLE\r\r\r\x02",
                20));
        QCOMPARE(rig.view.display, "ARTIST TITLE");
        QCOMPARE(rig.settings.RT, "ARTIST,TITLE");
    }

    void radioTextResentAfterFailure()
    {
        Rig rig;
        rig.settings.AutoPS = 0;
        rig.settings.RTSwitch = 1;
        rig.song("Artist, Title\n");
        rig.runner.answer(LinkOutcome::PortMissing);
        rig.engine.AutoUpdateTick();
        rig.view.closeBox();
        QCOMPARE(rig.view.rtField, "ARTIST, TITLE");

        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 2u);
        QCOMPARE(rig.runner.plans[1].bytes(), rig.runner.plans[0].bytes());
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 2u);
    }

    void unreadableFileKeepsEverything_data()
    {
        QTest::addColumn<bool>("failingRead");
        QTest::newRow("cannot be opened") << false;
        QTest::newRow("read fails part way") << true;
    }
    void unreadableFileKeepsEverything()
    {
        QFETCH(bool, failingRead);
        Rig rig;
        rig.settings.RTSwitch = 1;
        rig.song("Artist,Title\n");
        rig.engine.AutoUpdateTick();
        const std::size_t plans = rig.runner.plans.size();
        const LabelList labels = rig.view.labels;

        if (failingRead)
            rig.reader.failReadsOf(kPath);
        else
            rig.reader.setStatus(kPath, SongFileStatus::Unreadable);
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.rtField, "ARTIST,TITLE");
        QCOMPARE(rig.settings.RT, "ARTIST,TITLE");
        QCOMPARE(rig.view.display, "ARTIST TITLE");
        QVERIFY(rig.view.labels == labels);
        QCOMPARE(rig.runner.plans.size(), plans);
        QCOMPARE(rig.view.messages.size(), 0);
        QCOMPARE(rig.settings.AutoPS, qint16(1));
        QCOMPARE(rig.settings.RTSwitch, qint16(1));
        QVERIFY(!rig.engine.isBusy());
    }

    void missingFileSwitchesUpdatesOff()
    {
        Rig rig;
        rig.settings.RTSwitch = 1;
        rig.settings.RT = "KEEP ME";
        rig.view.display = "OLD SONG";
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.messages,
            QStringList { "The specified autoupdate PS and RT file does not exist!\r\n\r\n"
                          "Please specify a valid auto update file name with path!\r\n"
                          "Program will now disable auto update, you can turn it back on once you've "
                          "eliminated the problem!" });
        QCOMPARE(rig.settings.AutoPS, qint16(0));
        QCOMPARE(rig.settings.RTSwitch, qint16(0));
        QCOMPARE(rig.view.switchedOff, 1);
        QCOMPARE(rig.view.display, "");
        QCOMPARE(rig.settings.RT, "KEEP ME");
        QVERIFY(rig.runner.plans.empty());
        QVERIFY(rig.saves > 0);

        rig.engine.AutoUpdateTick(); // box still open: held
        rig.view.closeBox();
        QCoreApplication::processEvents();
        QCOMPARE(rig.view.messages.size(), 1); // the held tick finds both updates off
        QCOMPARE(rig.reader.opens, 1);
    }

    void ticksDuringABoxRunOnceAfterIt()
    {
        Rig rig;
        rig.song("Artist,Title\n");
        rig.runner.answer(LinkOutcome::PortMissing);
        rig.engine.AutoUpdateTick();
        const int opens = rig.reader.opens;
        for (int i = 0; i < 5; ++i)
            rig.engine.AutoUpdateTick();
        QCOMPARE(rig.reader.opens, opens);
        QVERIFY(rig.engine.hasHeldTick());

        rig.runner.answer(LinkOutcome::PortMissing);
        rig.view.closeBox();
        QCoreApplication::processEvents();
        QCOMPARE(rig.reader.opens, opens + 1);
        QCOMPARE(rig.view.failures.size(), 2u);
        QVERIFY(!rig.engine.hasHeldTick());
    }

    void busyRunnerLeavesSendingToTheNextTick()
    {
        Rig rig;
        rig.song("Artist,Title\n");
        rig.runner.refuse = true;
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.view.display, "ARTIST TITLE");
        QCOMPARE(rig.view.labels.texts[0], "ARTIST T");
        QVERIFY(rig.runner.plans.empty());
        QVERIFY(!rig.engine.isBusy());

        rig.runner.refuse = false;
        rig.engine.AutoUpdateTick();
        QCOMPARE(rig.runner.plans.size(), 1u);
        QCOMPARE(rig.engine.lastSentText(), "ARTIST TITLE");
    }

    void showSongTextCopiesToRadioTextWhenOn_data()
    {
        QTest::addColumn<int>("rtSwitch");
        QTest::addColumn<QString>("rt");
        QTest::newRow("radio-text update on") << 1 << "A SONG";
        QTest::newRow("radio-text update off") << 0 << "UNCHANGED";
    }
    void showSongTextCopiesToRadioTextWhenOn()
    {
        QFETCH(int, rtSwitch);
        QFETCH(QString, rt);
        Rig rig;
        rig.settings.RTSwitch = qint16(rtSwitch);
        rig.settings.RT = "UNCHANGED";
        rig.engine.ShowSongText("a song");
        QCOMPARE(rig.view.display, "A SONG");
        QCOMPARE(rig.settings.RT, rt);
        QCOMPARE(rig.saves, 1);
    }

    void pageRules()
    {
        Rig rig;
        rig.engine.chooseMode(DynamicMode::Scroll);
        QCOMPARE(rig.settings.AutoPS, qint16(2));
        rig.engine.chooseMode(DynamicMode::TurnOff);
        QCOMPARE(rig.settings.AutoPS, qint16(0));
        rig.engine.choosePsUpdate(true);
        QCOMPARE(rig.settings.AutoPS, qint16(1));
        rig.engine.chooseRtUpdate(true);
        QCOMPARE(rig.settings.RTSwitch, qint16(1));

        rig.settings.RTSwitch = 0;
        rig.view.display = "song text";
        rig.engine.songDisplayClicked();
        QCOMPARE(rig.view.display, "SONG TEXT");
        QCOMPARE(rig.settings.RT, "SONG TEXT");

        rig.view.rtField = QString(70, 'r');
        rig.engine.radioTextFieldCommitted();
        QCOMPARE(rig.view.rtField, QString(64, 'R'));
        QCOMPARE(rig.settings.RT, QString(64, 'R'));
        QCOMPARE(rig.saves, 6);
        QVERIFY(rig.runner.plans.empty());
    }
};

QTEST_GUILESS_MAIN(TestAutoUpdateEngine)
#include "tst_auto_update_engine.moc"
