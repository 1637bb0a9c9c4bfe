#pragma once

#include "player/player_transport.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <map>
#include <tuple>

namespace zorvan::test {

struct SentMessage {
    WindowHandle window;
    quint32 message;
    qint32 wParam;
    qint32 lParam;
    bool operator==(const SentMessage &) const = default;
};

// A scripted player: windows by class, answers by exact request, a caption,
// and a record of every look-up and message. The close command makes its
// windows disappear, as the real player's does.
class FakePlayerTransport : public PlayerTransport {
public:
    WindowHandle findWindow(const QString &className) override;
    qint32 sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam) override;
    QString windowText(WindowHandle window, int bufferSize) override;

    void answer(quint32 message, qint32 wParam, qint32 lParam, qint32 value)
    {
        answers[{ message, wParam, lParam }] = value;
    }

    QMap<QString, WindowHandle> windows;
    QString caption;
    std::map<std::tuple<quint32, qint32, qint32>, qint32> answers;

    QStringList searchedClasses;
    QList<SentMessage> sent;
    QList<int> captionBufferSizes;
};

} // namespace zorvan::test
