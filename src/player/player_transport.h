#pragma once

#include <QString>

#include <memory>

namespace zorvan {

// The player's main window, as the Win32 API hands it out: a 32-bit value,
// 0 when there is none.
using WindowHandle = qint32;

inline constexpr quint32 kWmCommand = 0x0111;
inline constexpr quint32 kWmUser = 0x0400;

// How the media-player link reaches the player: a window look-up by class,
// a synchronous request whose answer is a 32-bit value, and the window's
// caption. On Windows these are the window calls themselves; elsewhere a
// transport plays the player's part from whatever the platform offers.
class PlayerTransport {
public:
    virtual ~PlayerTransport() = default;

    // The top-level window of that class, or 0.
    virtual WindowHandle findWindow(const QString &className) = 0;

    // Blocks until the player has answered. A window that no longer exists
    // answers 0.
    virtual qint32 sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam) = 0;

    // The caption as it would be read into a buffer of bufferSize characters
    // (at most bufferSize - 1 characters). Empty for a window that no longer
    // exists.
    virtual QString windowText(WindowHandle window, int bufferSize) = 0;
};

// The transport of this platform: window messages on Windows, the MPRIS
// players of the session bus elsewhere.
std::shared_ptr<PlayerTransport> SystemPlayerTransport();

} // namespace zorvan
