#pragma once

#include "content/dynamic_ps.h"
#include "link/transmission.h"
#include "model/station_settings.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace zorvan {

// The message shown when the song file does not exist; paragraphs are
// separated by CR LF.
extern const QString kMissingSongFileMessage;

// What is known to have reached the board. The record holds what the
// operator set and the engine wrote, sent or not; this is apart from it and
// never stored, so a reload of the settings file leaves it as it is and a
// new run starts from nothing known: its first tick sends the song's labels
// and radio text again.
struct OnAirState {
    QString LastSentText; // SongDisplay at the last completed label upload
    std::optional<QString> radioText; // the radio text last sent whole; none: not known
};

// What the "AUTO PS, RT" page shows that the record does not hold. It lives
// beside the record for the whole run and is read by the window to draw the
// page.
struct AutoUpdateState {
    QString SongDisplay; // the song text as shown: upper case, at most 64 characters
    OnAirState onAir;
    QString radioTextField; // the "Radio text (RT)" field as last committed or written
    // The entry of "Type of automatic PS and RT update" that is selected.
    // The "Yes" of PS update stores 1 in AutoPS without moving the group, so
    // the group is not always AutoPS; none when AutoPS held no position of it.
    std::optional<DynamicMode> mode;
    // Labels that the last Split or Scroll rebuild put on air, with the text
    // it wrote; empty where it wrote none.
    std::array<QString, kLabelCount> songLabels;
};

// The state as start-up leaves it for a freshly loaded record.
AutoUpdateState initialAutoUpdateState(const StationSettings &record);

// What one half of a tick asks of its caller.
struct AutoUpdateStep {
    bool recordChanged = false; // the record changed: save it
    std::optional<Transmission> plan; // to send; the caller reports its outcome back
};

// The label half of AutoUpdateTick, given the fields of the song file as
// read: a song text that differs from the shown one rebuilds the labels of
// the selected mode (and the date label), and the list goes out whenever
// the shown text has not been sent yet.
AutoUpdateStep autoUpdateLabels(
    StationSettings &record, AutoUpdateState &state, const QStringList &fields, const QDate &today);
// The label upload reached the board.
void labelsSent(AutoUpdateState &state);

// The radio-text half, given the song file's first line (none: the file
// could not be read this time, which says nothing about the song).
AutoUpdateStep updateRadioText(
    StationSettings &record, AutoUpdateState &state, const std::optional<QString> &firstLine);
// How the radio text's frame ended; `text` is what it held.
void radioTextSent(AutoUpdateState &state, const QString &text, bool reached);

// The song file does not exist: both updates switch off and the song
// display is emptied.
void switchOffForMissingFile(StationSettings &record, AutoUpdateState &state);

// The page's editors.
void showSongText(StationSettings &record, AutoUpdateState &state, const QString &text);
void songDisplayClicked(StationSettings &record, AutoUpdateState &state);
void radioTextCommitted(StationSettings &record, AutoUpdateState &state, const QString &typed);
void choosePsUpdate(StationSettings &record, bool yes);
void chooseRtUpdate(StationSettings &record, bool yes);
void chooseUpdateType(StationSettings &record, AutoUpdateState &state, DynamicMode mode);

} // namespace zorvan
