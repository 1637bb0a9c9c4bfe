#include "content/auto_update_engine.h"

#include "content/song_source.h"
#include "model/text_rules.h"

#include <QPointer>
#include <QTimer>

#include <utility>

namespace zorvan {

const QString kMissingSongFileMessage = QStringLiteral(
    "The specified autoupdate PS and RT file does not exist!\r\n\r\n"
    "Please specify a valid auto update file name with path!\r\n"
    "Program will now disable auto update, you can turn it back on once you've eliminated the problem!");

namespace {

bool sameShownText(const QString &a, const QString &b)
{
    return FitLongText(a) == FitLongText(b);
}

} // namespace

AutoUpdateEngine::AutoUpdateEngine(AutoUpdateView &view, TransmissionRunner &runner, SongFileReader &reader,
    StationSettings &settings, SaveAll saveAll, Today today, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_runner(runner)
    , m_reader(reader)
    , m_settings(settings)
    , m_saveAll(std::move(saveAll))
    , m_today(std::move(today))
{
}

void AutoUpdateEngine::AutoUpdateTick()
{
    if (m_busy) {
        m_tickHeld = true;
        return;
    }
    if (m_settings.AutoPS == 0 && m_settings.RTSwitch == 0)
        return;
    m_busy = true;

    const SongSource source = ReadSongSource(m_reader, m_view.songSourcePath());
    if (source.status == SongSource::Status::Missing) {
        handleMissingFile();
        return;
    }
    // A file that exists but cannot be read now (the writer holds it, a
    // share dropped) says nothing about the song: the labels stay as they
    // are until a later tick reads it.
    if (source.status == SongSource::Status::Fields && m_settings.AutoPS != 0 && runPsHalf(source.fields))
        return;
    runRadioTextStep();
}

void AutoUpdateEngine::ShowSongText(const QString &text)
{
    m_view.setSongDisplay(FitLongText(text));
    if (m_settings.RTSwitch != 0)
        m_settings.RT = m_view.songDisplay();
    m_saveAll();
}

void AutoUpdateEngine::choosePsUpdate(bool yes)
{
    m_settings.AutoPS = yes ? 1 : 0;
    m_saveAll();
}

void AutoUpdateEngine::chooseRtUpdate(bool yes)
{
    m_settings.RTSwitch = yes ? 1 : 0;
    m_saveAll();
}

void AutoUpdateEngine::chooseMode(DynamicMode mode)
{
    m_settings.AutoPS = static_cast<qint16>(mode);
    m_saveAll();
}

void AutoUpdateEngine::songDisplayClicked()
{
    m_view.setSongDisplay(FitLongText(m_view.songDisplay()));
    m_settings.RT = m_view.songDisplay();
    m_saveAll();
}

void AutoUpdateEngine::radioTextFieldCommitted()
{
    m_view.setRadioTextField(FitLongText(m_view.radioTextField()));
    m_settings.RT = m_view.radioTextField();
    m_saveAll();
}

void AutoUpdateEngine::handleMissingFile()
{
    m_settings.RTSwitch = 0;
    m_settings.AutoPS = 0;
    m_view.showAutoUpdateOff();
    m_saveAll();
    ShowSongText(QString());
    // Switched off before the box opens, so the stored settings are right
    // even if the program ends while the box is still open.
    m_view.showMessage(kMissingSongFileMessage, [guard = QPointer(this)] {
        if (guard)
            guard->finishTick();
    });
}

bool AutoUpdateEngine::runPsHalf(const QStringList &fields)
{
    const QString songText = ComposeSongText(fields);
    if (FitLongText(songText) != m_view.songDisplay())
        rebuildLabels(songText);

    if (m_view.dynamicMode() == DynamicMode::TurnOff || sameShownText(m_view.songDisplay(), m_lastSentText))
        return false;
    send(UploadLabelList(labelsOfView()), &AutoUpdateEngine::onLabelsSent);
    return true;
}

void AutoUpdateEngine::rebuildLabels(const QString &songText)
{
    ShowSongText(songText);
    const DynamicMode mode = m_view.dynamicMode();
    const int delay = m_view.autoDelayPosition();
    const int songLength = static_cast<int>(songText.size()); // bounded by the reader

    LabelList labels = labelsOfView();
    LabelWrites written = BuildDynamicLabels(labels, mode, m_view.songDisplay(), songLength, delay);
    if (m_view.insertDateChecked())
        written |= InsertDateLabel(labels, mode, songLength, delay, FormatDateLabel(m_today()));
    if (mode != DynamicMode::TurnOff)
        written |= switchOffLeftovers(labels, written);

    for (int i = 0; i < kLabelCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (written.texts.test(at))
            m_view.setLabelText(i, labels.texts[at]);
        if (written.delays.test(at))
            m_view.setLabelDelay(i, labels.delays[at]);
    }
    copyWrittenLabels(labels, written, m_settings);
    m_saveAll();
}

LabelWrites AutoUpdateEngine::switchOffLeftovers(LabelList &labels, const LabelWrites &written)
{
    // A label that the last rebuild put on air and this one does not reach
    // (the far windows and the date of a longer song, or the scroll windows
    // after a switch to split) would go on showing a song that has ended,
    // and after midnight a date that has passed.
    LabelWrites switchedOff;
    for (int i = 0; i < kLabelCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (m_songLabelsOnAir.test(at) && !written.delays.test(at) && labels.delays[at] != 0) {
            labels.delays[at] = 0;
            switchedOff.delays.set(at);
        }
    }
    m_songLabelsOnAir.reset();
    for (int i = 0; i < kLabelCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        m_songLabelsOnAir.set(at, written.delays.test(at) && labels.delays[at] != 0);
    }
    return switchedOff;
}

void AutoUpdateEngine::onLabelsSent(LinkOutcome outcome)
{
    if (outcome != LinkOutcome::Sent) {
        failed(outcome);
        return;
    }
    m_lastSentText = m_view.songDisplay();
    succeeded();
    runRadioTextStep();
}

void AutoUpdateEngine::runRadioTextStep()
{
    if (m_settings.RTSwitch != 1) {
        finishTick();
        return;
    }
    // A file that cannot be opened for an instant (its writer is rewriting
    // it) is no reason to clear the radio text on air: skip this tick.
    const std::optional<QString> line = ReadFirstLine(m_reader, m_view.songSourcePath());
    if (!line) {
        finishTick();
        return;
    }
    // The field already matching the line proves nothing when its last
    // sending failed: then the radio text goes again.
    if (!m_radioTextPending && sameShownText(m_view.radioTextField(), *line)) {
        finishTick();
        return;
    }
    m_view.setRadioTextField(FitLongText(*line));
    m_settings.RT = m_view.radioTextField();
    m_saveAll();
    m_radioTextPending = true;
    send(UpdateRadioTextPlan(m_settings.RT), &AutoUpdateEngine::onRadioTextSent);
}

void AutoUpdateEngine::onRadioTextSent(LinkOutcome outcome)
{
    if (outcome != LinkOutcome::Sent) {
        failed(outcome);
        return;
    }
    m_radioTextPending = false;
    m_lastSentText = m_view.songDisplay();
    succeeded();
    finishTick();
}

void AutoUpdateEngine::send(const Transmission &plan, void (AutoUpdateEngine::*done)(LinkOutcome))
{
    const bool started = m_runner.run(plan, [guard = QPointer(this), done](LinkOutcome outcome) {
        if (guard)
            (guard.data()->*done)(outcome);
    });
    // Another transmission holds the port: nothing was sent, and what this
    // tick wanted to send is still unsent at the next one.
    if (!started)
        finishTick();
}

void AutoUpdateEngine::succeeded()
{
    m_reportedFailure.reset();
}

void AutoUpdateEngine::failed(LinkOutcome outcome)
{
    // The port's message comes at every attempt, as it always has; any other
    // failure would come back every second, so it is told once until the
    // link works again.
    if (outcome != LinkOutcome::PortMissing && m_reportedFailure == outcome) {
        finishTick();
        return;
    }
    m_reportedFailure = outcome;
    m_view.reportLinkFailure(outcome, [guard = QPointer(this)] {
        if (guard)
            guard->finishTick();
    });
}

void AutoUpdateEngine::finishTick()
{
    m_busy = false;
    if (!m_tickHeld)
        return;
    m_tickHeld = false;
    // Queued rather than called: a held tick can end in a message box again,
    // and calling it from here would nest one tick inside the other for as
    // long as the fault lasts.
    QTimer::singleShot(0, this, &AutoUpdateEngine::AutoUpdateTick);
}

LabelList AutoUpdateEngine::labelsOfView() const
{
    LabelList labels;
    for (int i = 0; i < kLabelCount; ++i) {
        labels.texts[static_cast<std::size_t>(i)] = m_view.labelText(i);
        labels.delays[static_cast<std::size_t>(i)] = m_view.labelDelay(i);
    }
    return labels;
}

} // namespace zorvan
