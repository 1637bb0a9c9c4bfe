#include "player/win32_transport_win32.h"

#include <QByteArray>

#include <cstdint>

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

namespace zorvan {

namespace {

// Window handles carry only 32 significant bits, also in 64-bit processes,
// which is what lets the link keep them in a 32-bit value.
HWND toHwnd(WindowHandle window)
{
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window));
}

} // namespace

WindowHandle Win32PlayerTransport::findWindow(const QString &className)
{
    const QByteArray ansiClass = className.toLocal8Bit();
    const HWND found = FindWindowA(ansiClass.constData(), nullptr);
    return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(found));
}

qint32 Win32PlayerTransport::sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam)
{
    // The player's requests pass 32-bit values; the answer is read as a
    // 32-bit value too, as the player defines it.
    const LRESULT answer = SendMessageA(toHwnd(window), static_cast<UINT>(message),
        static_cast<WPARAM>(static_cast<quint32>(wParam)), static_cast<LPARAM>(lParam));
    return static_cast<qint32>(answer);
}

QString Win32PlayerTransport::windowText(WindowHandle window, int bufferSize)
{
    if (bufferSize <= 0)
        return {};
    QByteArray buffer(bufferSize, '\0');
    const int copied = GetWindowTextA(toHwnd(window), buffer.data(), bufferSize);
    if (copied <= 0)
        return {};
    buffer.truncate(qMin(copied, bufferSize - 1));
    return QString::fromLocal8Bit(buffer);
}

} // namespace zorvan
