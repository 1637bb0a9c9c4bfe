#pragma once

#include "link/line_settings.h"
#include "model/station_settings.h"
#include "settings/settings_backend.h"
#include "link/run_transmission.h"
#include "link/serial_port.h"
#include "link/transmission_runner.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

namespace zorvan {

// Where the next transmission goes: the device of `COMSelected` and the
// `LineSettingsTable` entry of `COMSpeed` (none: keep the last speed).
struct PortConfig {
    QString device;
    std::optional<LineSettings> line;
};

// The port the station's settings name: the device mapped to `COMSelected`
// and the line settings of `COMSpeed`.
PortConfig stationPortConfig(const StationSettings &settings, const SettingsBackend &ports);

// The program's link to the board. Each plan runs on a worker thread of its
// own, so that the window keeps repainting during a 20-second upload; the
// reports and the end of the run come back to the link's thread in the
// order they were made.
class EncoderLink : public QObject, public TransmissionRunner {
    Q_OBJECT

public:
    explicit EncoderLink(std::unique_ptr<SerialPort> port = makeSystemSerialPort(),
        Pacer pacer = sleepingPacer(), QObject *parent = nullptr);
    // Waits for a running transmission to end; its `done` is not called.
    ~EncoderLink() override;

    // Used by every run started after the call.
    void setPortConfig(const PortConfig &config);
    PortConfig portConfig() const;

    // Must be called on the link's own thread. Refused while busy.
    bool run(const Transmission &plan, std::function<void(LinkOutcome)> done) override;
    bool busy() const override { return m_busy; }

    // Blocks until a running transmission has ended, then delivers its
    // reports and its `done` at once: for the window's close, which lets an
    // upload finish rather than cut a frame in half.
    void waitForIdle();

    void setTimeouts(const LinkTimeouts &timeouts) { m_timeouts = timeouts; }

signals:
    void reportStep(const QString &text, std::optional<double> progress);
    void progressReset();
    void finished(zorvan::LinkOutcome outcome);

private:
    struct Report {
        QString text;
        std::optional<double> progress;
    };
    struct Reset { };
    struct Finished {
        LinkOutcome outcome;
    };
    using Event = std::variant<Report, Reset, Finished>;

    class QueueSink;

    void post(Event event);
    void deliver();

    std::unique_ptr<SerialPort> m_port;
    Pacer m_pacer;
    LinkTimeouts m_timeouts;
    PortConfig m_config;

    std::atomic<bool> m_busy = false;
    std::thread m_worker;
    std::function<void(LinkOutcome)> m_done;

    std::mutex m_queueMutex;
    std::deque<Event> m_queue;
};

} // namespace zorvan
