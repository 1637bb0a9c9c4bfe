#include "model/label_list.h"

#include "model/list_choice.h"
#include "model/text_rules.h"

namespace zorvan {

namespace {

bool isDelayPosition(int position)
{
    return position >= 0 && position < kDelayEntryCount;
}

} // namespace

LabelTexts commitLabels(const LabelTexts &shown, StationSettings &settings)
{
    LabelTexts fitted;
    for (std::size_t i = 0; i < fitted.size(); ++i) {
        fitted[i] = FitPsLabel(shown[i]);
        settings.PS[i] = fitted[i];
    }
    return fitted;
}

void commitDelays(
    const DelayPositions &positions, int autoDelayPosition, int setAllPosition, StationSettings &settings)
{
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (isDelayPosition(positions[i]))
            settings.PSDelay[i] = static_cast<qint16>(positions[i]);
    }
    if (isDelayPosition(autoDelayPosition))
        settings.AutoPSDelay = static_cast<qint16>(autoDelayPosition);
    if (isDelayPosition(setAllPosition))
        settings.SETTOSAMEDELAY = static_cast<qint16>(setAllPosition);
}

DelayPositions setAllDelays(int setAllPosition, StationSettings &settings)
{
    DelayPositions positions {};
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (isDelayPosition(setAllPosition))
            settings.PSDelay[i] = static_cast<qint16>(setAllPosition);
        positions[i] = settings.PSDelay[i];
    }
    return positions;
}

bool messageFitsWhileTyping(int index)
{
    return index >= 3;
}

QString messageCaption(int index)
{
    return QStringLiteral("MSG%1:").arg(index + 1);
}

} // namespace zorvan
