#include "content/dynamic_ps.h"
#include "content/programme_text_upload.h"
#include "link/board_state.h"
#include "link/clock_sync.h"
#include "link/command_vocabulary.h"
#include "link/frame_decoder.h"
#include "link/mode_command.h"
#include "link/settings_upload.h"

#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::Transmission)
Q_DECLARE_METATYPE(zorvan::Sender)

namespace {

std::vector<DecodedFrame> framesOf(const Transmission &plan)
{
    FrameDecoder decoder;
    std::vector<DecoderEvent> events = decoder.feed(plan.bytes(), 0);
    for (DecoderEvent &event : decoder.finish())
        events.push_back(std::move(event));
    std::vector<DecodedFrame> frames;
    for (const DecoderEvent &event : events) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event))
            frames.push_back(*frame);
        else
            frames.push_back({ "stray", std::get<StrayBytes>(event).bytes });
    }
    return frames;
}

ProgrammeTextSnapshot snapshotOf(const StationSettings &s)
{
    ProgrammeTextSnapshot snapshot;
    snapshot.RT = s.RT;
    snapshot.MG = s.MG;
    snapshot.labels = s.PS;
    for (int i = 0; i < kLabelCount; ++i)
        snapshot.delays[std::size_t(i)] = QString::number(s.PSDelay[std::size_t(i)]);
    return snapshot;
}

} // namespace

// The senders and the board model read one table: whatever a plan writes,
// the table names and the board takes.
class TestWireVocabulary : public QObject {
    Q_OBJECT

private slots:
    void everyFrameOfEveryPlanIsInTheTable_data()
    {
        QTest::addColumn<Transmission>("plan");
        QTest::addColumn<Sender>("sender");
        const StationSettings record;
        QTest::newRow("send settings") << SendSettings(record).plan << Sender::SendSettings;
        QTest::newRow("synchronize clock")
            << *SynchronizeClock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))).plan
            << Sender::SynchronizeClock;
        QTest::newRow("set mode") << SetMode(5) << Sender::SetMode;
        QTest::newRow("send RT and PS") << SendRtAndPs(snapshotOf(record)) << Sender::SendRtAndPs;
        QTest::newRow("dynamic labels")
            << UploadLabelList(LabelList::fromSettings(record)) << Sender::AutoUpdateTick;
        QTest::newRow("radio-text update") << UpdateRadioTextPlan(record.RT) << Sender::AutoUpdateTick;
    }
    void everyFrameOfEveryPlanIsInTheTable()
    {
        QFETCH(Transmission, plan);
        QFETCH(Sender, sender);
        BoardState board;
        const std::vector<DecodedFrame> frames = framesOf(plan);
        QVERIFY(!frames.empty());
        for (const DecodedFrame &frame : frames) {
            const Command *entry = findCommand(frame.name);
            QVERIFY2(entry, frame.name.constData());
            QVERIFY2(entry->sentBy(sender), frame.name.constData());
            const ApplyResult result = board.apply(frame);
            QVERIFY2(result.outcome == ApplyOutcome::Applied,
                qPrintable(QString::fromLatin1(frame.name) + ": " + result.detail));
        }
    }

    // Every name of every row leads back to that row alone (no family
    // swallows a neighbour: "AF" must not take "AF0"), fits the frame's
    // name, and is a command the board model knows.
    void everyTableNameIsDecodableByTheBoard()
    {
        int names = 0;
        for (const Command &entry : kCommandVocabulary) {
            for (int index = entry.first; index <= entry.last; ++index) {
                const QByteArray name = commandName(entry.id, index);
                QVERIFY2(
                    name.size() >= FrameDecoder::kMinNameBytes && name.size() <= FrameDecoder::kMaxNameBytes,
                    name.constData());
                const CommandMatch match = matchCommand(name);
                QCOMPARE(match.command, &entry);
                QCOMPARE(match.index, index);
                BoardState board;
                QVERIFY2(board.apply(name, QByteArray(), 0).outcome != ApplyOutcome::UnknownCommand,
                    name.constData());
                ++names;
            }
        }
        // 14 single names, 4 Did, 7 AF, 100 PS, 100 PD, 8 MG.
        QCOMPARE(names, 14 + 4 + 7 + 100 + 100 + 8);
        QVERIFY(commandName(CommandId::Label, 100).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestWireVocabulary)
#include "tst_wire_vocabulary.moc"
