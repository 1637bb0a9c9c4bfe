#include "ui/driver.h"

#include "ui/shell_wiring.h"
#include "ui/song_wiring.h"
#include "ui/transmission_wiring.h"

namespace zorvan {

Driver::Driver(SettingsBackend &backend, std::unique_ptr<SerialPort> port)
    : m_backend(backend)
    , m_link(std::make_unique<EncoderLink>(std::move(port)))
    , m_form(std::make_unique<Form1>(m_settings, m_backend))
{
    m_shell = std::make_unique<ShellWiring>(*m_form, m_settings, m_backend);
    m_song = std::make_unique<SongWiring>(*m_form, *m_link, m_settings, m_backend);
    m_transmissions = std::make_unique<TransmissionWiring>(*m_form, *m_link, m_settings, m_backend);
}

Driver::~Driver() = default;

void Driver::startUp()
{
    m_form->startUp();
}

} // namespace zorvan
