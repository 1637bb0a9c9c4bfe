#include "content/programme_text_upload.h"
#include "link/frame_decoder.h"
#include "link/settings_upload.h"
#include "plan_over_pty.h"

#include <QtTest>

using namespace zorvan;
using namespace std::chrono_literals;
using zorvan::test::PtyReader;

namespace {

SettingsUploadInput settingsInput()
{
    SettingsUploadInput in;
    in.afTexts = { "100", "empty", "empty", "empty", "empty", "empty", "empty" };
    in.firstLabel = QString::fromUtf8("*ÉTÉ*   ");
    in.settings.RT = QString::fromUtf8("CAFÉ RADIO");
    return in;
}

ProgrammeTextSnapshot programmeText()
{
    const StationSettings defaults;
    ProgrammeTextSnapshot s;
    s.RT = defaults.RT;
    s.MG = defaults.MG;
    s.labels = defaults.PS;
    for (int i = 0; i < kLabelCount; ++i)
        s.delays[i] = QString::number(defaults.PSDelay[i]);
    s.labels[5] = QString::fromUtf8("ÀÖ\x01xyz  ");
    return s;
}

// Frames as the board would take them from the line, and whatever it could
// not make a frame of.
struct BoardView {
    QList<QByteArray> names;
    QList<QByteArray> values;
    int strayRuns = 0;
};

BoardView decode(const QByteArray &line)
{
    BoardView view;
    FrameDecoder decoder;
    auto take = [&view](const std::vector<DecoderEvent> &events) {
        for (const DecoderEvent &event : events) {
            if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
                view.names << frame->name;
                view.values << frame->value;
            } else {
                ++view.strayRuns;
            }
        }
    };
    take(decoder.feed(line, 0));
    take(decoder.finish());
    return view;
}

} // namespace

class TestUploadsEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void uploadOverAPseudoTerminal_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QByteArray>("sample"); // a frame name ...
        QTest::addColumn<QByteArray>("sampleValue"); // ... and the value the board must see
        QTest::newRow("Send settings")
            << "settings" << 23 << QByteArray("PS00") << QByteArray("*\xC9T\xC9*   ");
        QTest::newRow("Send RT and PS")
            << "texts" << 210 << QByteArray("PS05") << QByteArray("\xC0\xD6 xyz  ");
    }

    // The real link on the system's serial port, real sleeps, a
    // pseudo-terminal for the board: every byte arrives in order, the board
    // can take every frame, and every pause is a silence on the line.
    void uploadOverAPseudoTerminal()
    {
        QFETCH(QString, sender);
        QFETCH(int, frames);
        QFETCH(QByteArray, sample);
        QFETCH(QByteArray, sampleValue);

        PtyReader board;
        if (!board.isValid())
            QSKIP("no pseudo-terminal available on this machine");
        const Transmission plan
            = sender == "settings" ? SendSettings(settingsInput()).plan : SendRtAndPs(programmeText());

        const test::PtyRun run = test::runPlanOverPty(plan, board, 60s);
        QVERIFY(run.endedInTime);
        QCOMPARE(*run.outcome, LinkOutcome::Sent);
        QVERIFY(board.waitForBytes(plan.bytes().size(), 5s));
        QCOMPARE(board.bytes(), plan.bytes());
        QCOMPARE(run.display, test::expectedDisplay(plan));

        const BoardView view = decode(board.bytes());
        QCOMPARE(view.strayRuns, 0);
        QCOMPARE(view.names.size(), frames);
        QCOMPARE(view.names.last(), QByteArray("SAVE"));
        QCOMPARE(view.values.at(view.names.indexOf(sample)), sampleValue);

        QCOMPARE(test::pauseGaps(plan).size(), std::size_t(frames - 1));
        const QStringList tooShort = test::shortSilences(plan, board);
        QVERIFY2(tooShort.isEmpty(), qPrintable(tooShort.join('\n')));
    }

    // The silence check itself must see pauses that the line never got:
    // the same bytes sent without pauses are measured against the plan.
    void pausesLeftOutAreSeen()
    {
        PtyReader board;
        if (!board.isValid())
            QSKIP("no pseudo-terminal available on this machine");
        const Transmission plan = SendSettings(settingsInput()).plan;
        Transmission hurried;
        for (const Step &step : plan.steps()) {
            if (step.kind == Step::Kind::Write)
                hurried.write(step.bytes);
        }
        const test::PtyRun run = test::runPlanOverPty(hurried, board, 10s);
        QCOMPARE(*run.outcome, LinkOutcome::Sent);
        QVERIFY(board.waitForBytes(plan.bytes().size(), 5s));
        QCOMPARE(board.bytes(), plan.bytes());
        QVERIFY(!test::shortSilences(plan, board).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUploadsEndToEnd)
#include "tst_uploads_e2e.moc"
