#include "link/encoder_link.h"

#include "link/com_port_map.h"

#include <QMetaObject>
#include <QThread>

namespace zorvan {

PortConfig stationPortConfig(const StationSettings &settings, const SettingsBackend &ports)
{
    return { comPortDevice(ports, settings.COMSelected), LineSettingsTable(settings.COMSpeed) };
}

class EncoderLink::QueueSink : public ProgressSink {
public:
    explicit QueueSink(EncoderLink &link)
        : m_link(link)
    {
    }
    void ReportStep(const QString &text, std::optional<double> progress) override
    {
        m_link.post(Report { text, progress });
    }
    void ResetProgress() override { m_link.post(Reset {}); }

private:
    EncoderLink &m_link;
};

EncoderLink::EncoderLink(std::unique_ptr<SerialPort> port, Pacer pacer, QObject *parent)
    : QObject(parent)
    , m_port(std::move(port))
    , m_pacer(std::move(pacer))
{
}

EncoderLink::~EncoderLink()
{
    if (m_worker.joinable())
        m_worker.join();
}

void EncoderLink::setPortConfig(const PortConfig &config)
{
    m_config = config;
}

PortConfig EncoderLink::portConfig() const
{
    return m_config;
}

bool EncoderLink::run(const Transmission &plan, std::function<void(LinkOutcome)> done)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_busy)
        return false;
    // A previous worker has always ended here: its Finished event, which
    // clears m_busy, is the last thing it posts.
    if (m_worker.joinable())
        m_worker.join();
    m_busy = true;
    m_done = std::move(done);
    m_worker = std::thread([this, plan, config = m_config, timeouts = m_timeouts] {
        QueueSink sink(*this);
        const LinkOutcome outcome
            = runTransmission(plan, *m_port, config.device, config.line, m_pacer, sink, timeouts);
        post(Finished { outcome });
    });
    return true;
}

void EncoderLink::waitForIdle()
{
    if (!m_busy)
        return;
    if (m_worker.joinable())
        m_worker.join();
    deliver();
}

void EncoderLink::post(Event event)
{
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back(std::move(event));
    }
    QMetaObject::invokeMethod(this, &EncoderLink::deliver, Qt::QueuedConnection);
}

void EncoderLink::deliver()
{
    std::deque<Event> events;
    {
        std::lock_guard lock(m_queueMutex);
        events.swap(m_queue);
    }
    for (Event &event : events) {
        if (const auto *report = std::get_if<Report>(&event)) {
            emit reportStep(report->text, report->progress);
        } else if (std::holds_alternative<Reset>(event)) {
            emit progressReset();
        } else {
            const LinkOutcome outcome = std::get<Finished>(event).outcome;
            if (m_worker.joinable())
                m_worker.join();
            m_busy = false;
            auto done = std::move(m_done);
            m_done = nullptr;
            if (done)
                done(outcome);
            emit finished(outcome);
        }
    }
}

} // namespace zorvan
