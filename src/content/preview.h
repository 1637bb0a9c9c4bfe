#pragma once

#include "content/dynamic_ps.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace zorvan {

enum class PreviewSource { RadioText, Labels }; // "RT" and "PS" of the "Preview" group

inline constexpr int kPreviewIntervalMs = 1000;
inline constexpr int kRadioTextPreviewIntervalMs = 200;

// What lives from one preview tick to the next.
struct PreviewState {
    int DspCount = 0; // label number + 1, or the RT window's first character
    int intervalMs = kPreviewIntervalMs; // of the preview timer
};

struct PreviewFrame {
    QString label; // the 8 characters of the preview label
    QString toolTip; // the tray icon's tool tip
};

// One tick of the preview timer. Once the RT preview has run, the timer
// keeps its 200 ms for the rest of the run, in PS preview too.
PreviewFrame PreviewTick(
    PreviewState &state, PreviewSource source, const QString &rt, const LabelList &labels);

struct ClockTexts {
    QString time;
    QString date;
};

// The computer's time and date in the user's regional formats, the time
// with its seconds (the clock is refreshed every second).
ClockTexts ClockTick(const QDateTime &now, const QLocale &locale = QLocale::system());

} // namespace zorvan
