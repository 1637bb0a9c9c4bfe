#include "ui/transmission_log.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace zorvan {

namespace {

QPointer<TransmissionLog> s_log;

} // namespace

TransmissionLog::TransmissionLog(Station &station, QWidget *parent)
    : QDialog(parent)
    , m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("TransmissionLog"));
    setWindowTitle(QStringLiteral("Transmission log"));
    m_text->setObjectName(QStringLiteral("LogText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setMaximumBlockCount(2000);
    m_text->setPlainText(station.logLines().join(QLatin1Char('\n')));
    auto *close = new QPushButton(tr("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(&station, &Station::logged, m_text, &QPlainTextEdit::appendPlainText);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(720, 320);
}

TransmissionLog *TransmissionLog::open(Station &station, QWidget *parent)
{
    if (!s_log) {
        s_log = new TransmissionLog(station, parent);
        s_log->setAttribute(Qt::WA_DeleteOnClose);
        s_log->show();
    }
    s_log->raise();
    s_log->activateWindow();
    return s_log;
}

} // namespace zorvan
