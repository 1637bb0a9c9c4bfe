#include "ui/transmission_wiring.h"

#include "content/programme_text_upload.h"
#include "link/clock_sync.h"
#include "link/com_port_map.h"
#include "link/line_settings.h"
#include "link/link_failure_message.h"
#include "link/mode_command.h"
#include "link/settings_upload.h"
#include "ui/help_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace zorvan {

namespace {

// Whether the port was open, so that the upload got as far as its frames.
bool portOpened(LinkOutcome outcome)
{
    switch (outcome) {
    case LinkOutcome::Sent:
    case LinkOutcome::WriteFailed:
    case LinkOutcome::WriteTimeout:
        return true;
    case LinkOutcome::PortMissing:
    case LinkOutcome::PortBusy:
    case LinkOutcome::PortDenied:
    case LinkOutcome::PortError:
    case LinkOutcome::BadPlan:
        break;
    }
    return false;
}

} // namespace

TransmissionWiring::TransmissionWiring(
    Form1 &form, EncoderLink &link, StationSettings &settings, SettingsBackend &backend)
    : m_form(form)
    , m_link(link)
    , m_settings(settings)
    , m_backend(backend)
    , m_now(&QDateTime::currentDateTime)
{
    const Form1::RightColumn &column = form.rightColumn();
    connect(column.sendSettings, &QPushButton::clicked, this, [this] { sendSettings(); });
    connect(column.sendRtAndPs, &QPushButton::clicked, this, [this] { sendRtAndPs(); });
    connect(form.messagePage().synchronizeTime, &QPushButton::clicked, this, [this] { synchronizeTime(); });
    connect(form.hiddenPanels().setMode, &QPushButton::clicked, this, [this] { setMode(); });

    connect(&link, &EncoderLink::reportStep, this, &TransmissionWiring::showReport);
    connect(&link, &EncoderLink::progressReset, this, &TransmissionWiring::showReset);
    connect(&link, &EncoderLink::finished, this, &TransmissionWiring::closeAfterTransmission);

    form.installEventFilter(this);
}

TransmissionWiring::~TransmissionWiring() = default;

void TransmissionWiring::setClock(std::function<QDateTime()> now)
{
    m_now = std::move(now);
}

bool TransmissionWiring::sendSettings()
{
    if (!mayStart())
        return false;
    const Form1::PiPage &pi = m_form.piPage();
    SettingsUploadInput input;
    input.settings = m_settings;
    input.rdsActive = m_form.rightColumn().rdsActive->isChecked();
    for (std::size_t i = 0; i < input.afTexts.size(); ++i)
        input.afTexts[i] = pi.af[i]->currentText();
    input.firstLabel = m_form.labelPages().labels[0]->text();
    const SettingsUpload upload = SendSettings(input);

    const qint16 afNum = upload.afNum;
    return start(upload.plan, UploadButton::SendSettings, [this, afNum](LinkOutcome outcome) {
        // The count is made once the port is open; an upload that never
        // reached its frames leaves the stored count alone.
        if (!portOpened(outcome))
            return;
        m_settings.AFNum = afNum;
        m_form.saveAllSettings();
    });
}

bool TransmissionWiring::sendRtAndPs()
{
    if (!mayStart())
        return false;
    const Form1::LabelPages &pages = m_form.labelPages();
    ProgrammeTextSnapshot snapshot;
    snapshot.RT = m_settings.RT;
    snapshot.MG = m_settings.MG;
    for (std::size_t i = 0; i < snapshot.labels.size(); ++i) {
        snapshot.labels[i] = pages.labels[i]->text();
        snapshot.delays[i] = pages.delays[i]->currentText();
    }
    return start(SendRtAndPs(snapshot), UploadButton::SendRtAndPs);
}

bool TransmissionWiring::synchronizeTime()
{
    if (!mayStart())
        return false;
    const PlanOrError clock = SynchronizeClock(m_now());
    if (!clock.plan) {
        showMessage(&m_form, clock.error);
        return false;
    }
    return start(*clock.plan, UploadButton::SynchronizeTime);
}

bool TransmissionWiring::setMode()
{
    if (!mayStart())
        return false;
    return start(SetMode(m_settings.MODE), std::nullopt);
}

bool TransmissionWiring::mayStart() const
{
    // Nothing new starts once the window waits to close, so that it does.
    return !m_link.busy() && !m_closePending;
}

bool TransmissionWiring::start(const Transmission &plan, std::optional<UploadButton> button, AfterRun after)
{
    m_link.setPortConfig(stationPortConfig(m_settings, m_backend));
    const bool started = m_link.run(plan, [this, button, after = std::move(after)](LinkOutcome outcome) {
        if (button)
            showUploadButtons(std::nullopt);
        if (after)
            after(outcome);
        const QString failure = linkFailureMessage(outcome);
        if (!failure.isEmpty())
            showMessage(&m_form, failure);
    });
    if (started && button)
        showUploadButtons(button);
    return started;
}

QPushButton *TransmissionWiring::button(UploadButton which) const
{
    switch (which) {
    case UploadButton::SendSettings:
        return m_form.rightColumn().sendSettings;
    case UploadButton::SendRtAndPs:
        return m_form.rightColumn().sendRtAndPs;
    case UploadButton::SynchronizeTime:
        return m_form.messagePage().synchronizeTime;
    }
    return nullptr;
}

void TransmissionWiring::showUploadButtons(std::optional<UploadButton> running)
{
    for (UploadButton which : kUploadButtons)
        button(which)->setEnabled(UploadButtons(which, running));
}

void TransmissionWiring::showReport(const QString &text, std::optional<double> progress)
{
    // While the window waits to close, the status bar keeps saying so; the
    // progress bar still shows how far the transmission has come.
    if (!m_closePending)
        m_form.setStatusText(text);
    if (progress) {
        QProgressBar *bar = m_form.rightColumn().progress;
        // The bar counts whole steps; label steps come in 0.09ths.
        const long step = std::lround(*progress);
        bar->setValue(static_cast<int>(std::clamp<long>(step, bar->minimum(), bar->maximum())));
    }
}

void TransmissionWiring::showReset()
{
    if (!m_closePending)
        m_form.setStatusText(QStringLiteral("Ready"));
    m_form.rightColumn().progress->setValue(0);
}

bool TransmissionWiring::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_form || event->type() != QEvent::Close || !m_link.busy())
        return QObject::eventFilter(watched, event);
    // Closing now would cut a frame or the store command in half and leave
    // the board with a mix of old and new values: the window closes when
    // the transmission has ended.
    event->ignore();
    m_closePending = true;
    m_form.setStatusText(tr("Finishing the transmission before closing..."));
    return true;
}

void TransmissionWiring::closeAfterTransmission()
{
    if (!m_closePending)
        return;
    m_closePending = false;
    m_form.close();
}

} // namespace zorvan
