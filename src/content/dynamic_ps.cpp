#include "content/dynamic_ps.h"

#include "content/label_frames.h"
#include "link/command_vocabulary.h"
#include "model/text_rules.h"

#include <algorithm>

namespace zorvan {

namespace {

const QString kBlankLabel(kPsLabelLength, QLatin1Char(' '));

std::size_t at(int index)
{
    return static_cast<std::size_t>(index);
}

void setText(LabelList &labels, LabelWrites &written, int index, const QString &text)
{
    labels.texts[at(index)] = text;
    written.texts.set(at(index));
}

void setDelay(LabelList &labels, LabelWrites &written, int index, int position)
{
    labels.delays[at(index)] = position;
    written.delays.set(at(index));
}

int delayFor(const QString &label, int delayPosition)
{
    return label == kBlankLabel ? 0 : delayPosition;
}

// The windows of scroll mode are labels 0 .. count - 1. A text of L
// characters gives L - 6 windows, the last holding its last 7 characters
// and a blank. A text of 1 to 6 characters has nothing to scroll, but it
// still gets one window so that it is shown at all; the list has room for
// no more than 100.
int scrollWindowCount(int songLength)
{
    if (songLength <= 0)
        return 0;
    return std::clamp(songLength - (kPsLabelLength - 2), 1, kLabelCount);
}

LabelWrites buildSplit(LabelList &labels, const QString &songDisplay, int delayPosition)
{
    constexpr int kPieces = 8;
    LabelWrites written;
    for (int k = 0; k < kPieces; ++k)
        setText(labels, written, k, midCharacters(songDisplay, k * kPsLabelLength, kPsLabelLength));
    // Labels 8 to 15 are fitted and stored too, though no piece lands there.
    for (int i = 0; i < 2 * kPieces; ++i)
        setText(labels, written, i, FitPsLabel(labels.texts[at(i)]));
    for (int k = 0; k < kPieces; ++k)
        setDelay(labels, written, k, delayFor(labels.texts[at(k)], delayPosition));
    return written;
}

LabelWrites buildScroll(LabelList &labels, const QString &songDisplay, int songLength, int delayPosition)
{
    LabelWrites written;
    const int windows = scrollWindowCount(songLength);
    for (int i = 0; i < windows; ++i) {
        setText(labels, written, i, FitPsLabel(midCharacters(songDisplay, i, kPsLabelLength)));
        setDelay(labels, written, i, delayFor(labels.texts[at(i)], delayPosition));
    }
    for (int i = windows; i <= kLastScrollBlankLabel; ++i)
        setText(labels, written, i, kBlankLabel);
    for (int i = windows; i <= kLastScrollSilencedDelay; ++i)
        setDelay(labels, written, i, 0);
    return written;
}

} // namespace

QString midCharacters(const QString &text, int first, int count)
{
    qsizetype begin = -1;
    qsizetype i = 0;
    int index = 0;
    for (; i < text.size() && index < first + count; ++index) {
        if (index == first)
            begin = i;
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    }
    if (begin < 0)
        return QString();
    return text.mid(begin, i - begin);
}

LabelList LabelList::fromSettings(const StationSettings &settings)
{
    LabelList labels;
    for (int i = 0; i < kLabelCount; ++i) {
        labels.texts[at(i)] = settings.PS[at(i)];
        labels.delays[at(i)] = settings.PSDelay[at(i)];
    }
    return labels;
}

LabelWrites &LabelWrites::operator|=(const LabelWrites &other)
{
    texts |= other.texts;
    delays |= other.delays;
    return *this;
}

QString FormatDateLabel(const QDate &date)
{
    QString text = QStringLiteral("%1.%2.%3")
                       .arg(date.day())
                       .arg(date.month())
                       .arg(date.year() % 100, 2, 10, QLatin1Char('0'));
    if (text.size() < kPsLabelLength)
        text.prepend(QLatin1Char(' '));
    return text.leftJustified(kPsLabelLength, QLatin1Char(' '));
}

LabelWrites BuildDynamicLabels(
    LabelList &labels, DynamicMode mode, const QString &songDisplay, int songLength, int delayPosition)
{
    switch (mode) {
    case DynamicMode::Split:
        return buildSplit(labels, songDisplay, delayPosition);
    case DynamicMode::Scroll:
        return buildScroll(labels, songDisplay, songLength, delayPosition);
    case DynamicMode::TurnOff: {
        LabelWrites written;
        setText(labels, written, 0, midCharacters(songDisplay, 0, kPsLabelLength));
        return written;
    }
    }
    return {};
}

LabelWrites InsertDateLabel(
    LabelList &labels, DynamicMode mode, int songLength, int delayPosition, const QString &dateText)
{
    LabelWrites written;
    if (mode == DynamicMode::Scroll) {
        // The date takes the last window and stays two delay steps longer
        // than the text. A delay list holds no more than "9", and a delay is
        // sent as the one digit its list shows, so a "Delay:" of 8 or 9 gives
        // the date 9: the longest stay that can be held and sent.
        const int index = std::max(scrollWindowCount(songLength) - 1, 0);
        setText(labels, written, index, dateText);
        setDelay(labels, written, index, std::min(delayPosition + 2, kHighestDelay));
        return written;
    }
    constexpr int kDateLabel = 8;
    setText(labels, written, kDateLabel, dateText);
    setDelay(labels, written, kDateLabel, delayPosition);
    return written;
}

void copyWrittenLabels(const LabelList &labels, const LabelWrites &written, StationSettings &settings)
{
    for (int i = 0; i < kLabelCount; ++i) {
        if (written.texts.test(at(i)))
            settings.PS[at(i)] = labels.texts[at(i)];
        if (written.delays.test(at(i)))
            settings.PSDelay[at(i)] = static_cast<qint16>(labels.delays[at(i)]);
    }
}

Transmission UploadLabelList(const LabelList &labels)
{
    Transmission plan;
    for (int i = 0; i < kLabelCount; ++i) {
        plan.openFrame(labelCommand(i));
        plan.report(labelStatusText(i), labelProgress(i));
        plan.value(textValue(CommandId::Label, labels.texts[at(i)]));
        plan.closeFrame();
        plan.frameGap();
    }
    for (int i = 0; i < kLabelCount; ++i) {
        plan.openFrame(delayCommand(i));
        plan.report(delayStatusText(i), delayProgress(i));
        plan.value(decimalValue(CommandId::LabelDelay, labels.delays[at(i)]));
        plan.closeFrame();
        plan.frameGap();
    }
    return plan;
}

Transmission UpdateRadioTextPlan(const QString &rt)
{
    Transmission plan;
    plan.openFrame(commandName(CommandId::RadioText));
    plan.report(QStringLiteral("Sending RT to RDS encoder... 50%"), 1);
    plan.value(radioTextUploadValue(rt));
    plan.closeFrame();
    return plan;
}

} // namespace zorvan
