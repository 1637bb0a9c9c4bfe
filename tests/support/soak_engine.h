#pragma once

#include "content/auto_update.h"
#include "content/song_file_reader.h"
#include "link/transmission_runner.h"

#include <QDate>
#include <QStringList>

#include <functional>
#include <vector>

namespace zorvan::test {

// The station's engine tick in the station's order, over the content
// layer's steps, on a runner that answers inside run(): a run of many
// thousand ticks needs no event loop and no window. A message for the
// operator is kept, as if an operator pressed OK straight away.
class SoakEngine {
public:
    SoakEngine(StationSettings &record, TransmissionRunner &runner, SongFileReader &reader,
        std::function<void()> save, std::function<QDate()> today);

    void tick();
    void chooseMode(DynamicMode mode);
    void chooseRtUpdate(bool yes);

    AutoUpdateState state;
    QStringList messages;
    std::vector<LinkOutcome> failures;
    int switchedOff = 0;

private:
    void radioTextStep();
    void failed(LinkOutcome outcome);

    StationSettings &m_record;
    TransmissionRunner &m_runner;
    SongFileReader &m_reader;
    std::function<void()> m_save;
    std::function<QDate()> m_today;
};

} // namespace zorvan::test
