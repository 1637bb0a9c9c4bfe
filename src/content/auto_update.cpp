#include "content/auto_update.h"

#include "content/song_source.h"
#include "model/text_rules.h"

#include <algorithm>

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

std::size_t at(int index)
{
    return static_cast<std::size_t>(index);
}

// A label that the last rebuild put on air and this one does not reach (the
// far windows and the date of a longer song, or the scroll windows after a
// switch to split) would go on showing a song that has ended, and after
// midnight a date that has passed. A label the operator has typed over since
// is the operator's, and stays as it is.
LabelWrites switchOffLeftovers(LabelList &labels, const LabelWrites &written, AutoUpdateState &state)
{
    LabelWrites switchedOff;
    for (int i = 0; i < kLabelCount; ++i) {
        const QString &wrote = state.songLabels[at(i)];
        if (!wrote.isNull() && !written.delays.test(at(i)) && labels.delays[at(i)] != 0
            && labels.texts[at(i)] == wrote) {
            labels.delays[at(i)] = 0;
            switchedOff.delays.set(at(i));
        }
    }
    for (int i = 0; i < kLabelCount; ++i) {
        const bool onAir = written.delays.test(at(i)) && labels.delays[at(i)] != 0;
        state.songLabels[at(i)] = onAir ? labels.texts[at(i)] : QString();
    }
    return switchedOff;
}

void rebuildLabels(
    StationSettings &record, AutoUpdateState &state, const QString &songText, const QDate &today)
{
    showSongText(record, state, songText);
    const DynamicMode mode = state.mode.value_or(DynamicMode::TurnOff);
    const int delay = std::clamp<int>(record.AutoPSDelay, 0, kHighestDelay);
    const int songLength = static_cast<int>(characterCount(songText)); // bounded by the reader

    LabelList labels = LabelList::fromSettings(record);
    LabelWrites written = BuildDynamicLabels(labels, mode, state.SongDisplay, songLength, delay);
    if (record.InsertDate)
        written |= InsertDateLabel(labels, mode, songLength, delay, FormatDateLabel(today));
    if (mode != DynamicMode::TurnOff)
        written |= switchOffLeftovers(labels, written, state);
    copyWrittenLabels(labels, written, record);
}

} // namespace

AutoUpdateState initialAutoUpdateState(const StationSettings &record)
{
    AutoUpdateState state;
    state.radioTextField = record.RT;
    if (record.AutoPS >= 0 && record.AutoPS <= static_cast<int>(DynamicMode::Scroll))
        state.mode = static_cast<DynamicMode>(record.AutoPS);
    // The song display starts empty, and so the text last sent.
    state.onAir.LastSentText = state.SongDisplay;
    return state;
}

AutoUpdateStep autoUpdateLabels(
    StationSettings &record, AutoUpdateState &state, const QStringList &fields, const QDate &today)
{
    AutoUpdateStep step;
    const QString songText = ComposeSongText(fields);
    if (FitLongText(songText) != state.SongDisplay) {
        rebuildLabels(record, state, songText, today);
        step.recordChanged = true;
    }
    const DynamicMode mode = state.mode.value_or(DynamicMode::TurnOff);
    if (mode != DynamicMode::TurnOff && !sameShownText(state.SongDisplay, state.onAir.LastSentText))
        step.plan = UploadLabelList(LabelList::fromSettings(record));
    return step;
}

void labelsSent(AutoUpdateState &state)
{
    state.onAir.LastSentText = state.SongDisplay;
}

AutoUpdateStep updateRadioText(
    StationSettings &record, AutoUpdateState &state, const std::optional<QString> &firstLine)
{
    AutoUpdateStep step;
    // A file that cannot be opened for an instant (its writer is rewriting
    // it) is no reason to clear the radio text on air.
    if (record.RTSwitch != 1 || !firstLine)
        return step;
    // What the board holds decides, not the field or the record: either may
    // hold a text whose sending failed or was cut short, or that a reload
    // took from the file.
    const QString text = FitLongText(*firstLine);
    if (state.onAir.radioText == text)
        return step;
    state.radioTextField = text;
    record.RT = text;
    step.recordChanged = true;
    step.plan = UpdateRadioTextPlan(record.RT);
    return step;
}

void radioTextSent(AutoUpdateState &state, const QString &text, bool reached)
{
    if (!reached)
        return;
    state.onAir.radioText = FitLongText(text);
    state.onAir.LastSentText = state.SongDisplay;
}

void switchOffForMissingFile(StationSettings &record, AutoUpdateState &state)
{
    record.RTSwitch = 0;
    record.AutoPS = 0;
    showSongText(record, state, QString());
}

void showSongText(StationSettings &record, AutoUpdateState &state, const QString &text)
{
    state.SongDisplay = FitLongText(text);
    if (record.RTSwitch != 0)
        record.RT = state.SongDisplay;
}

void songDisplayClicked(StationSettings &record, AutoUpdateState &state)
{
    state.SongDisplay = FitLongText(state.SongDisplay);
    record.RT = state.SongDisplay;
}

void radioTextCommitted(StationSettings &record, AutoUpdateState &state, const QString &typed)
{
    state.radioTextField = FitLongText(typed);
    record.RT = state.radioTextField;
}

void choosePsUpdate(StationSettings &record, bool yes)
{
    record.AutoPS = yes ? 1 : 0;
}

void chooseRtUpdate(StationSettings &record, bool yes)
{
    record.RTSwitch = yes ? 1 : 0;
}

void chooseUpdateType(StationSettings &record, AutoUpdateState &state, DynamicMode mode)
{
    // The group's position is what AutoPS holds, so "Turn off" is also the
    // "No" of PS update.
    state.mode = mode;
    record.AutoPS = static_cast<qint16>(mode);
}

} // namespace zorvan
