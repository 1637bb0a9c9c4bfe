#pragma once

#include "player/player_transport.h"

namespace zorvan {

// The player's own window interface: FindWindowA, SendMessageA and
// GetWindowTextA, with texts in the system's ANSI code page.
class Win32PlayerTransport : public PlayerTransport {
public:
    WindowHandle findWindow(const QString &className) override;
    qint32 sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam) override;
    QString windowText(WindowHandle window, int bufferSize) override;
};

} // namespace zorvan
