#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zorvan {

// Shows one message with an OK button; returns at once.
using MessageSink = std::function<void(QWidget *parent, const QString &text)>;

// Every help and notice message of the windows goes through here, so that
// tests can take the messages instead of looking for boxes.
void showMessage(QWidget *parent, const QString &text);
// Installs a sink; an empty one restores the message box. Returns the
// sink that was installed before.
MessageSink setMessageSink(MessageSink sink);

// The busy mouse pointer for as long as the object lives: from just before
// a secondary window is built until it has been shown.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace zorvan
