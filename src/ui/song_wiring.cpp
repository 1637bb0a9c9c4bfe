#include "ui/song_wiring.h"

#include "link/com_port_map.h"
#include "link/line_settings.h"
#include "link/link_failure_message.h"
#include "ui/frm_properties.h"
#include "ui/help_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace zorvan {

namespace {

void showChecked(QRadioButton *option)
{
    const QSignalBlocker blocker(option);
    option->setChecked(true);
}

} // namespace

// The engine's transmissions go to the port chosen now, not to the one the
// last button upload used: the operator may have changed it in between.
class SongWiring::PortChoosingRunner : public TransmissionRunner {
public:
    PortChoosingRunner(EncoderLink &link, const StationSettings &settings, const SettingsBackend &ports)
        : m_link(link)
        , m_settings(settings)
        , m_ports(ports)
    {
    }

    bool run(const Transmission &plan, std::function<void(LinkOutcome)> done) override
    {
        if (m_link.busy())
            return false;
        m_link.setPortConfig(stationPortConfig(m_settings, m_ports));
        return m_link.run(plan, std::move(done));
    }
    bool busy() const override { return m_link.busy(); }

private:
    EncoderLink &m_link;
    const StationSettings &m_settings;
    const SettingsBackend &m_ports;
};

SongWiring::SongWiring(Form1 &form, EncoderLink &link, StationSettings &settings,
    const SettingsBackend &ports, std::unique_ptr<SongFileReader> reader, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_link(link)
    , m_settings(settings)
    , m_reader(std::move(reader))
    , m_runner(std::make_unique<PortChoosingRunner>(link, settings, ports))
{
    AutoUpdateView &view = *this;
    m_engine = std::make_unique<AutoUpdateEngine>(
        view, *m_runner, *m_reader, m_settings, [this] { m_form.saveAllSettings(); });
    m_preview.DspCount = m_form.DspCount;
    m_preview.intervalMs = m_form.timers().preview->interval();
    // Song titles and radio texts are shown as they are, never as markup.
    m_form.autoPage().songDisplay->setTextFormat(Qt::PlainText);
    m_form.rightColumn().previewLabel->setTextFormat(Qt::PlainText);

    connectPage();
    connectTimers();
    m_form.addStartUpHook(
        Form1::StartUpStep::LastSentText, [this] { m_engine->setLastSentText(songDisplay()); });
}

SongWiring::~SongWiring() = default;

void SongWiring::connectPage()
{
    const Form1::AutoPage &page = m_form.autoPage();
    connect(page.psUpdateYes, &QRadioButton::clicked, this, [this] { m_engine->choosePsUpdate(true); });
    connect(page.psUpdateNo, &QRadioButton::clicked, this, [this] { m_engine->choosePsUpdate(false); });
    connect(page.rtUpdateYes, &QRadioButton::clicked, this, [this] { m_engine->chooseRtUpdate(true); });
    connect(page.rtUpdateNo, &QRadioButton::clicked, this, [this] { m_engine->chooseRtUpdate(false); });
    for (std::size_t position = 0; position < page.updateType.size(); ++position) {
        connect(page.updateType[position], &QRadioButton::clicked, this, [this, position] {
            m_engine->chooseMode(static_cast<DynamicMode>(position));
            // The group's position is what AutoPS holds, so "Turn off" is
            // also the "No" of PS update.
            showPsUpdatePair(m_settings.AutoPS != 0);
        });
    }
    connect(page.browseRtSource, &QPushButton::clicked, this, [this] { browse(SongFileField::RadioText); });
    connect(page.browsePsSource, &QPushButton::clicked, this,
        [this] { browse(SongFileField::ProgrammeService); });
    page.radioText->installEventFilter(this);
    page.songDisplay->installEventFilter(this);
}

void SongWiring::connectTimers()
{
    const Form1::Timers &timers = m_form.timers();
    connect(timers.engine, &QTimer::timeout, this, &SongWiring::engineTimerFired);
    connect(timers.preview, &QTimer::timeout, this, &SongWiring::previewTimerFired);
    connect(timers.clock, &QTimer::timeout, this, &SongWiring::clockTimerFired);
    connect(&m_link, &EncoderLink::finished, this, &SongWiring::runHeldTicks);
    // A tick after the window has closed would save and send for a program
    // that is ending.
    connect(&m_form, &Form1::shutDown, this, [this] {
        m_shutDown = true;
        m_heldTicks = 0;
    });
}

void SongWiring::engineTimerFired()
{
    fired(kEngineTick);
}

void SongWiring::previewTimerFired()
{
    fired(kPreviewTick);
}

void SongWiring::clockTimerFired()
{
    fired(kClockTick);
}

void SongWiring::fired(HeldTick tick)
{
    if (m_shutDown)
        return;
    if (m_link.busy()) {
        m_heldTicks |= tick;
        return;
    }
    runTick(tick);
}

void SongWiring::runHeldTicks()
{
    // The engine's label upload ends by starting its radio text: the ticks
    // wait for that one too.
    if (m_shutDown || m_link.busy() || m_heldTicks == 0)
        return;
    const unsigned held = m_heldTicks;
    m_heldTicks = 0;
    // The engine last: it may start a transmission, which would hold the
    // display ticks once more.
    for (HeldTick tick : { kClockTick, kPreviewTick, kEngineTick }) {
        if (held & tick)
            fired(tick);
    }
}

void SongWiring::runTick(HeldTick tick)
{
    switch (tick) {
    case kEngineTick:
        m_engine->AutoUpdateTick();
        break;
    case kPreviewTick:
        runPreview();
        break;
    case kClockTick:
        runClock();
        break;
    }
}

void SongWiring::runPreview()
{
    const Form1::RightColumn &column = m_form.rightColumn();
    const PreviewSource source
        = column.previewRt->isChecked() ? PreviewSource::RadioText : PreviewSource::Labels;
    LabelList labels;
    for (int i = 0; i < kLabelCount; ++i) {
        labels.texts[static_cast<std::size_t>(i)] = labelText(i);
        labels.delays[static_cast<std::size_t>(i)] = labelDelay(i);
    }
    m_preview.DspCount = m_form.DspCount;
    const PreviewFrame frame = PreviewTick(m_preview, source, m_settings.RT, labels);
    m_form.DspCount = static_cast<qint16>(m_preview.DspCount);

    column.previewLabel->setText(frame.label);
    // The icon holds its tool tip while hidden, ready for when the window
    // goes to the tray.
    m_form.trayIcon()->setToolTip(frame.toolTip);
    QTimer *timer = m_form.timers().preview;
    if (timer->interval() != m_preview.intervalMs)
        timer->setInterval(m_preview.intervalMs);
}

void SongWiring::runClock()
{
    const ClockTexts texts = ClockTick(m_now());
    m_form.messagePage().pcTime->setText(texts.time);
    m_form.messagePage().pcDate->setText(texts.date);
}

void SongWiring::showPsUpdatePair(bool yes)
{
    showChecked(yes ? m_form.autoPage().psUpdateYes : m_form.autoPage().psUpdateNo);
}

void SongWiring::showRtUpdatePair(bool yes)
{
    showChecked(yes ? m_form.autoPage().rtUpdateYes : m_form.autoPage().rtUpdateNo);
}

void SongWiring::browse(SongFileField field)
{
    const std::optional<QString> path
        = browseForSongFile(&m_form, field, m_settings, [this] { m_form.saveAllSettings(); });
    if (!path)
        return;
    QLineEdit *shown
        = field == SongFileField::RadioText ? m_form.autoPage().rtSourcePath : m_form.autoPage().psSourcePath;
    const QSignalBlocker blocker(shown);
    shown->setText(*path);
}

bool SongWiring::eventFilter(QObject *watched, QEvent *event)
{
    const Form1::AutoPage &page = m_form.autoPage();
    const bool click = event->type() == QEvent::MouseButtonRelease;
    if (watched == page.radioText && (click || event->type() == QEvent::FocusOut))
        m_engine->radioTextFieldCommitted();
    else if (watched == page.songDisplay && click)
        m_engine->songDisplayClicked();
    return QObject::eventFilter(watched, event);
}

void SongWiring::openBox(const QString &text, std::function<void()> closed)
{
    // Opened from the event loop rather than inside the tick or the link's
    // report, so that the box's own loop never runs nested in either. The
    // engine holds its ticks until `closed`, so one box is open at a time.
    QTimer::singleShot(0, this, [this, text, closed = std::move(closed)] {
        zorvan::showMessage(&m_form, text);
        closed();
    });
}

DynamicMode SongWiring::dynamicMode() const
{
    const auto &options = m_form.autoPage().updateType;
    for (std::size_t position = options.size(); position-- > 0;) {
        if (options[position]->isChecked())
            return static_cast<DynamicMode>(position);
    }
    // No position shown (a stored AutoPS outside the group): nothing is
    // rebuilt past label 0 and nothing is sent.
    return DynamicMode::TurnOff;
}

bool SongWiring::insertDateChecked() const
{
    return m_form.autoPage().insertDate->isChecked();
}

int SongWiring::autoDelayPosition() const
{
    return std::max(0, m_form.autoPage().autoDelay->currentIndex());
}

QString SongWiring::songSourcePath() const
{
    return m_form.autoPage().psSourcePath->text();
}

QString SongWiring::labelText(int index) const
{
    return m_form.labelPages().labels[static_cast<std::size_t>(index)]->text();
}

int SongWiring::labelDelay(int index) const
{
    return std::max(0, m_form.labelPages().delays[static_cast<std::size_t>(index)]->currentIndex());
}

void SongWiring::setLabelText(int index, const QString &text)
{
    QLineEdit *field = m_form.labelPages().labels[static_cast<std::size_t>(index)];
    const QSignalBlocker blocker(field);
    field->setText(text);
}

void SongWiring::setLabelDelay(int index, int position)
{
    QComboBox *list = m_form.labelPages().delays[static_cast<std::size_t>(index)];
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(std::clamp(position, 0, list->count() - 1));
}

QString SongWiring::songDisplay() const
{
    return m_form.autoPage().songDisplay->text();
}

void SongWiring::setSongDisplay(const QString &text)
{
    m_form.autoPage().songDisplay->setText(text);
}

QString SongWiring::radioTextField() const
{
    return m_form.autoPage().radioText->text();
}

void SongWiring::setRadioTextField(const QString &text)
{
    QLineEdit *field = m_form.autoPage().radioText;
    const QSignalBlocker blocker(field);
    field->setText(text);
}

void SongWiring::showAutoUpdateOff()
{
    showPsUpdatePair(false);
    showRtUpdatePair(false);
}

void SongWiring::showMessage(const QString &text, std::function<void()> closed)
{
    openBox(text, std::move(closed));
}

void SongWiring::reportLinkFailure(LinkOutcome outcome, std::function<void()> closed)
{
    openBox(linkFailureMessage(outcome), std::move(closed));
}

} // namespace zorvan
