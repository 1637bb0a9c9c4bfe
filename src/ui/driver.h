#pragma once

#include "station/station.h"
#include "ui/form1.h"

#include <memory>

namespace zorvan {

// The window put together: the station and its view. main() builds one;
// end-to-end tests build one over a test port and store.
class Driver {
public:
    explicit Driver(SettingsBackend &backend, std::unique_ptr<SerialPort> port = makeSystemSerialPort());
    ~Driver();

    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    Station &station() { return *m_station; }
    Form1 &window() { return *m_form; }
    EncoderLink &link() { return m_station->link(); }

    // The splash, the station's start-up and the window shown.
    void startUp();

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<Form1> m_form;
};

} // namespace zorvan
