#include "fake_player_transport.h"

namespace zorvan::test {

WindowHandle FakePlayerTransport::findWindow(const QString &className)
{
    searchedClasses << className;
    return windows.value(className, 0);
}

qint32 FakePlayerTransport::sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam)
{
    sent << SentMessage { window, message, wParam, lParam };
    if (message == kWmCommand && wParam == 0x9C41)
        windows.clear();
    const auto found = answers.find({ message, wParam, lParam });
    return found == answers.end() ? 0 : found->second;
}

QString FakePlayerTransport::windowText(WindowHandle, int bufferSize)
{
    captionBufferSizes << bufferSize;
    return caption;
}

} // namespace zorvan::test
