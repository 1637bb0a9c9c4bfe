#include "scripted_transmission_runner.h"

namespace zorvan::test {

bool ScriptedTransmissionRunner::run(const Transmission &plan, std::function<void(LinkOutcome)> done)
{
    if (refuse)
        return false;
    plans.push_back(plan);
    LinkOutcome outcome = LinkOutcome::Sent;
    if (!m_script.empty()) {
        outcome = m_script.front();
        m_script.pop_front();
    }
    done(outcome);
    return true;
}

} // namespace zorvan::test
