#include "soak_engine.h"

#include "content/song_source.h"
#include "link/link_failure_message.h"

#include <utility>

namespace zorvan::test {

SoakEngine::SoakEngine(StationSettings &record, TransmissionRunner &runner, SongFileReader &reader,
    std::function<void()> save, std::function<QDate()> today)
    : state(initialAutoUpdateState(record))
    , m_record(record)
    , m_runner(runner)
    , m_reader(reader)
    , m_save(std::move(save))
    , m_today(std::move(today))
{
}

void SoakEngine::tick()
{
    if (m_record.AutoPS == 0 && m_record.RTSwitch == 0)
        return;
    const SongSource source = ReadSongSource(m_reader, m_record.AutoPSPath);
    if (source.status == SongSource::Status::Missing) {
        switchOffForMissingFile(m_record, state);
        ++switchedOff;
        m_save();
        messages << kMissingSongFileMessage;
        return;
    }
    if (source.status == SongSource::Status::Fields && m_record.AutoPS != 0) {
        const AutoUpdateStep labels = autoUpdateLabels(m_record, state, source.fields, m_today());
        if (labels.recordChanged)
            m_save();
        if (labels.plan) {
            LinkOutcome outcome = LinkOutcome::BadPlan;
            m_runner.run(*labels.plan, [&outcome](LinkOutcome o) { outcome = o; });
            if (outcome != LinkOutcome::Sent) {
                failed(outcome);
                return;
            }
            labelsSent(state);
        }
    }
    radioTextStep();
}

void SoakEngine::radioTextStep()
{
    if (m_record.RTSwitch != 1)
        return;
    const AutoUpdateStep rt = updateRadioText(m_record, state, ReadFirstLine(m_reader, m_record.AutoPSPath));
    if (rt.recordChanged)
        m_save();
    if (!rt.plan)
        return;
    LinkOutcome outcome = LinkOutcome::BadPlan;
    m_runner.run(*rt.plan, [&outcome](LinkOutcome o) { outcome = o; });
    radioTextSent(state, m_record.RT, outcome == LinkOutcome::Sent);
    if (outcome != LinkOutcome::Sent)
        failed(outcome);
}

void SoakEngine::failed(LinkOutcome outcome)
{
    failures.push_back(outcome);
    messages << linkFailureMessage(outcome);
}

void SoakEngine::chooseMode(DynamicMode mode)
{
    chooseUpdateType(m_record, state, mode);
    m_save();
}

void SoakEngine::chooseRtUpdate(bool yes)
{
    zorvan::chooseRtUpdate(m_record, yes);
    m_save();
}

} // namespace zorvan::test
