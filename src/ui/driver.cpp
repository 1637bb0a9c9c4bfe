#include "ui/driver.h"

namespace zorvan {

Driver::Driver(SettingsBackend &backend, std::unique_ptr<SerialPort> port)
    : m_station(std::make_unique<Station>(backend, std::move(port)))
    , m_form(std::make_unique<Form1>(*m_station))
{
}

// The window goes first: it is a view of the station.
Driver::~Driver()
{
    m_form.reset();
}

void Driver::startUp()
{
    m_form->startUp();
}

} // namespace zorvan
