#include "ui/help_support.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace zorvan {

namespace {

// Messages carry no title of their own; where the platform draws a title
// bar anyway, it shows the program's name. The box does not block: the
// window stays usable behind it, and a program asked to end does not wait
// for someone to press OK.
void showMessageBox(QWidget *parent, const QString &text)
{
    auto *box
        = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("ZORVAN Q500+"), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
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
