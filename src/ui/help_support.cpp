#include "ui/help_support.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace zorvan {

namespace {

void showMessageBox(QWidget *parent, const QString &text)
{
    // Messages carry no title of their own; where the platform draws a
    // title bar anyway, it shows the program's name.
    QMessageBox box(
        QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

MessageSink &currentSink()
{
    static MessageSink sink = showMessageBox;
    return sink;
}

} // namespace

void showMessage(QWidget *parent, const QString &text)
{
    currentSink()(parent, text);
}

MessageSink setMessageSink(MessageSink sink)
{
    MessageSink previous = currentSink();
    currentSink() = sink ? std::move(sink) : MessageSink(showMessageBox);
    return previous;
}

BusyPointer::BusyPointer()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace zorvan
