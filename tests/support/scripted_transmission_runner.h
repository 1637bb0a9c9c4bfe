#pragma once

#include "link/transmission_runner.h"

#include <deque>
#include <vector>

namespace zorvan::test {

// A runner that answers at once, inside run(), with the next scripted
// outcome (Sent once the script is used up) and keeps every plan it was
// given. With `refuse` set it behaves as a runner that is busy.
class ScriptedTransmissionRunner : public TransmissionRunner {
public:
    bool run(const Transmission &plan, std::function<void(LinkOutcome)> done) override;
    bool busy() const override { return refuse; }

    void answer(LinkOutcome outcome) { m_script.push_back(outcome); }

    std::vector<Transmission> plans;
    bool refuse = false;

private:
    std::deque<LinkOutcome> m_script;
};

} // namespace zorvan::test
