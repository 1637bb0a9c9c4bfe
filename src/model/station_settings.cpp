#include "model/station_settings.h"

namespace zorvan {

namespace {

// Labels 1 to 4 spell the maker's web address in four 8-character pieces.
constexpr std::array<const char *, kLabelCount> kDefaultLabels = [] {
    std::array<const char *, kLabelCount> labels {};
    for (auto &label : labels)
        label = "        ";
    labels[0] = "*ZORVAN*";
    labels[1] = "www.kvl-";
    labels[2] = "systems.";
    labels[3] = "com/zorv";
    labels[4] = "an-q500 ";
    labels[5] = "*ZORVAN*";
    labels[6] = "**Q500**";
    labels[7] = "  RDS   ";
    labels[8] = "encoder ";
    labels[9] = "  from  ";
    labels[10] = "KVL     ";
    labels[11] = "Systems ";
    labels[12] = "inc     ";
    labels[17] = "@DATE   ";
    labels[18] = "@TIME   ";
    return labels;
}();

bool hasDefaultDelay(int index)
{
    return (index >= 0 && index <= 12) || index == 17 || index == 18;
}

} // namespace

QString defaultLabel(int index)
{
    if (index < 0 || index >= kLabelCount)
        return QString(8, QLatin1Char(' '));
    return QString::fromLatin1(kDefaultLabels[static_cast<std::size_t>(index)]);
}

qint16 defaultLabelDelay(int index)
{
    return hasDefaultDelay(index) ? 2 : 0;
}

QString defaultMessage(int index)
{
    return QStringLiteral("External message %1, switch %1").arg(index + 1);
}

QString defaultRadioText()
{
    return QStringLiteral("ZORVAN Q500+ RDS encoder by KVL Systems");
}

QString defaultExtraRadioText(int index)
{
    if (index == 0)
        return QStringLiteral("Visit www.kvl-systems.com/zorvan-q500 for RDS encoders");
    return QString();
}

StationSettings::StationSettings()
{
    for (int i = 0; i < kLabelCount; ++i) {
        PS[static_cast<std::size_t>(i)] = defaultLabel(i);
        PSDelay[static_cast<std::size_t>(i)] = defaultLabelDelay(i);
    }
    for (int i = 0; i < kMessageCount; ++i)
        MG[static_cast<std::size_t>(i)] = defaultMessage(i);
    for (int i = 0; i < kExtraRtCount; ++i)
        RTn[static_cast<std::size_t>(i)] = defaultExtraRadioText(i);
    RT = defaultRadioText();
}

} // namespace zorvan
