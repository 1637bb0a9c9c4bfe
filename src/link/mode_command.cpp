#include "link/mode_command.h"

#include "link/encodings.h"

namespace zorvan {

Transmission SetMode(qint16 mode)
{
    Transmission t;
    t.openFrame("MODE");
    t.report(QStringLiteral("Sending MODE... 10%"), 1);
    t.value(DecimalText(mode));
    t.closeFrame();
    return t;
}

} // namespace zorvan
