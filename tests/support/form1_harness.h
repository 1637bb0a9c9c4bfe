#pragma once

#include "memory_serial_port.h"
#include "memory_settings_backend.h"
#include "settings/settings_backend.h"
#include "station/station.h"
#include "ui/form1.h"
#include "ui/help_support.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace zorvan::test {

// The main window over a station with an in-memory store and port: tests
// put stored texts in before start-up and read what the station saved.
// Messages for the operator are kept in `messages` unless the harness is
// told to show real boxes.
class Form1Harness {
public:
    explicit Form1Harness(bool catchMessages = true);
    ~Form1Harness();

    Form1Harness(const Form1Harness &) = delete;
    Form1Harness &operator=(const Form1Harness &) = delete;

    void store(const QString &key, const QString &value);
    QString stored(const QString &key) const;

    Station &station() { return *m_station; }
    // Builds the window (without starting it up).
    Form1 &form();
    // Builds the window and runs its start-up to the end, the splash included.
    Form1 &start(bool trayAvailable = false);

    template <class Widget> Widget *find(const QString &objectName)
    {
        return form().findChild<Widget *>(objectName);
    }

    MemorySettingsBackend backend;
    MemorySerialPort *port = nullptr; // owned by the station
    QStringList messages;

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<Form1> m_form;
    bool m_catchMessages;
    MessageSink m_previousSink;
};

// Steps every open splash to its end, as its timer would.
void finishSplashes();

} // namespace zorvan::test
