#include "link/link_failure_message.h"

namespace zorvan {

QString linkFailureMessage(LinkOutcome outcome)
{
    switch (outcome) {
    case LinkOutcome::Sent:
        return {};
    case LinkOutcome::PortMissing:
        return QStringLiteral(
            "The selected COM port does not exist, please select another port under File > Setup");
    case LinkOutcome::PortBusy:
        return QStringLiteral("The selected COM port is in use by another program.\n"
                              "Close that program, or select another port under File > Setup");
    case LinkOutcome::PortDenied:
        return QStringLiteral("You have no permission to use the selected COM port.\n"
                              "Ask for access to it (on Linux, membership of the \"dialout\" group), "
                              "or select another port under File > Setup");
    case LinkOutcome::PortError:
        return QStringLiteral("The selected COM port could not be opened as a serial port, "
                              "please select another port under File > Setup");
    case LinkOutcome::WriteFailed:
        return QStringLiteral("Writing to the COM port failed and the transmission was stopped.\n"
                              "The device may have been disconnected; check it and send again");
    case LinkOutcome::WriteTimeout:
        return QStringLiteral("The COM port did not take the data in time and the transmission was stopped.\n"
                              "Check the cable and the encoder, then send again");
    case LinkOutcome::BadPlan:
        return QStringLiteral("The transmission could not be prepared; nothing was sent");
    }
    return {};
}

} // namespace zorvan
