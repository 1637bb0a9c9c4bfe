#include "link/mode_command.h"

#include "link/command_vocabulary.h"

namespace zorvan {

Transmission SetMode(qint16 mode)
{
    Transmission t;
    t.openFrame(commandName(CommandId::Mode));
    t.report(QStringLiteral("Sending MODE... 10%"), 1);
    t.value(decimalValue(CommandId::Mode, mode));
    t.closeFrame();
    return t;
}

} // namespace zorvan
