#include "form1_harness.h"

#include "settings/settings_store.h"
#include "ui/frm_about.h"

#include <QApplication>

namespace zorvan::test {

Form1Harness::Form1Harness(bool catchMessages)
    : m_catchMessages(catchMessages)
{
    auto memoryPort = std::make_unique<MemorySerialPort>();
    port = memoryPort.get();
    m_station = std::make_unique<Station>(backend, std::move(memoryPort));
    if (m_catchMessages)
        m_previousSink = setMessageSink([this](QWidget *, const QString &text) { messages << text; });
}

// The window goes first: it is a view of the station.
Form1Harness::~Form1Harness()
{
    m_form.reset();
    m_station.reset();
    if (m_catchMessages)
        setMessageSink(m_previousSink);
}

void Form1Harness::store(const QString &key, const QString &value)
{
    backend.write(kSettingsSection, key, value);
}

QString Form1Harness::stored(const QString &key) const
{
    return backend.read(kSettingsSection, key).value_or(QStringLiteral("<absent>"));
}

Form1 &Form1Harness::form()
{
    if (!m_form)
        m_form = std::make_unique<Form1>(*m_station);
    return *m_form;
}

Form1 &Form1Harness::start(bool trayAvailable)
{
    Form1 &window = form();
    window.setTrayAvailability([trayAvailable] { return trayAvailable; });
    window.startUp();
    finishSplashes();
    return window;
}

void finishSplashes()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *splash = qobject_cast<FrmAbout *>(widget);
        if (!splash || !splash->isVisible())
            continue;
        splash->stepTimer()->stop();
        while (splash->isVisible())
            splash->tick();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace zorvan::test
