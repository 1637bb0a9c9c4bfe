#include "content/preview.h"

#include "model/text_rules.h"

namespace zorvan {

namespace {

int delayOf(const LabelList &labels, int dspCount)
{
    return labels.delays[static_cast<std::size_t>(dspCount - 1)];
}

} // namespace

PreviewFrame PreviewTick(
    PreviewState &state, PreviewSource source, const QString &rt, const LabelList &labels)
{
    PreviewFrame frame;
    ++state.DspCount;
    frame.toolTip = QStringLiteral("RODIREZ500+ >>") + rt + QStringLiteral("<<");

    const QString blanks(kPsLabelLength, QLatin1Char(' '));
    if (source == PreviewSource::RadioText) {
        state.intervalMs = kRadioTextPreviewIntervalMs;
        if (state.DspCount >= rt.size() || state.DspCount < 1)
            state.DspCount = 1;
        frame.label = (rt + blanks).mid(state.DspCount - 1, kPsLabelLength);
        return frame;
    }

    // Passes over switched-off labels; 100 steps reach the end of the list
    // from anywhere. Landing on 100 starts again at label 0, shown even when
    // its delay is 0, so label 99 never shows.
    if (state.DspCount < 1)
        state.DspCount = 1;
    for (int step = 0; step < kLabelCount; ++step) {
        if (state.DspCount >= kLabelCount)
            state.DspCount = kLabelCount;
        if (delayOf(labels, state.DspCount) == 0)
            ++state.DspCount;
        if (state.DspCount >= kLabelCount)
            state.DspCount = kLabelCount;
    }
    if (state.DspCount >= kLabelCount)
        state.DspCount = 1;
    frame.label = labels.texts[static_cast<std::size_t>(state.DspCount - 1)];
    return frame;
}

ClockTexts ClockTick(const QDateTime &now, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1Char('s'))) {
        // Short formats often stop at the minutes; the seconds follow them
        // with the separator the format uses between hours and minutes.
        const qsizetype minutes = timeFormat.indexOf(QLatin1String("mm"));
        if (minutes > 0) {
            const QChar separator = timeFormat.at(minutes - 1);
            timeFormat.insert(minutes + 2, QString(separator) + QStringLiteral("ss"));
        }
    }
    return { locale.toString(now.time(), timeFormat), locale.toString(now.date(), QLocale::ShortFormat) };
}

} // namespace zorvan
