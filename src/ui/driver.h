#pragma once

#include "link/encoder_link.h"
#include "model/station_settings.h"
#include "settings/settings_backend.h"
#include "ui/form1.h"

#include <memory>

namespace zorvan {

class ShellWiring;
class SongWiring;
class TransmissionWiring;

// Everything that lives for the whole run, put together: the record, the
// main window, the link to the board and the pieces that connect the
// window's controls to the link, the song engine and the dialogs. main()
// builds one; end-to-end tests build one over a test port and store.
class Driver {
public:
    explicit Driver(SettingsBackend &backend, std::unique_ptr<SerialPort> port = makeSystemSerialPort());
    ~Driver();

    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    Form1 &window() { return *m_form; }
    EncoderLink &link() { return *m_link; }
    StationSettings &settings() { return m_settings; }
    SettingsBackend &backend() { return m_backend; }

    // Start-up of the main window, with every part's steps attached.
    void startUp();

private:
    SettingsBackend &m_backend;
    StationSettings m_settings;
    std::unique_ptr<EncoderLink> m_link;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<ShellWiring> m_shell;
    std::unique_ptr<SongWiring> m_song;
    std::unique_ptr<TransmissionWiring> m_transmissions;
};

} // namespace zorvan
