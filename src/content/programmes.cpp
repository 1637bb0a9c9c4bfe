#include "content/programmes.h"

#include "model/list_choice.h"
#include "model/text_rules.h"
#include "settings/settings_store.h"

namespace zorvan {

namespace {

constexpr std::array<const char *, 7> kDayNames = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };

const QString kNameKey = QStringLiteral("Name");
const QString kDaysKey = QStringLiteral("Days");
const QString kStartKey = QStringLiteral("Start");
const QString kEndKey = QStringLiteral("End");
const QString kFollowSongsKey = QStringLiteral("FollowSongs");
const QString kRadioTextKey = QStringLiteral("RT");

QString sectionName(int number)
{
    return QStringLiteral("Programme") + QString::number(number);
}

// The record's key names: index 0 has no number.
QString labelKey(int index)
{
    return index == 0 ? QStringLiteral("PS") : QStringLiteral("PS") + QString::number(index);
}

QString delayKey(int index)
{
    return index == 0 ? QStringLiteral("PSDelay") : QStringLiteral("PSDelay") + QString::number(index);
}

std::optional<int> dayIndex(const QString &name)
{
    for (std::size_t i = 0; i < kDayNames.size(); ++i) {
        if (name.compare(QLatin1String(kDayNames[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

QString timeText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

} // namespace

StationTexts programmeTexts(const StationTexts &station, const Programme &programme)
{
    StationTexts texts = station;
    for (std::size_t i = 0; i < texts.labels.size(); ++i) {
        if (programme.labels[i])
            texts.labels[i] = *programme.labels[i];
        if (programme.delays[i])
            texts.delays[i] = *programme.delays[i];
    }
    if (programme.radioText)
        texts.radioText = *programme.radioText;
    return texts;
}

std::optional<std::array<bool, 7>> parseProgrammeDays(const QString &text)
{
    std::array<bool, 7> days {};
    bool any = false;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            return std::nullopt;
        const std::optional<int> first = dayIndex(ends.front().trimmed());
        const std::optional<int> last = dayIndex(ends.back().trimmed());
        if (!first || !last)
            return std::nullopt;
        for (int day = *first;; day = (day + 1) % 7) {
            days[static_cast<std::size_t>(day)] = true;
            if (day == *last)
                break;
        }
        any = true;
    }
    if (!any)
        return std::nullopt;
    return days;
}

QString programmeDaysText(const std::array<bool, 7> &days)
{
    QStringList parts;
    int day = 0;
    while (day < 7) {
        if (!days[static_cast<std::size_t>(day)]) {
            ++day;
            continue;
        }
        int last = day;
        while (last + 1 < 7 && days[static_cast<std::size_t>(last + 1)])
            ++last;
        if (last - day >= 2) {
            parts << QLatin1String(kDayNames[static_cast<std::size_t>(day)]) + QLatin1Char('-')
                    + QLatin1String(kDayNames[static_cast<std::size_t>(last)]);
        } else {
            for (int d = day; d <= last; ++d)
                parts << QLatin1String(kDayNames[static_cast<std::size_t>(d)]);
        }
        day = last + 1;
    }
    return parts.join(QLatin1Char(','));
}

std::optional<QTime> parseProgrammeTime(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == QLatin1String("24:00"))
        return QTime(0, 0);
    const QStringList parts = trimmed.split(QLatin1Char(':'));
    if (parts.size() != 2 || parts[0].isEmpty() || parts[0].size() > 2 || parts[1].size() != 2)
        return std::nullopt;
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = parts[0].toInt(&hoursOk);
    const int minutes = parts[1].toInt(&minutesOk);
    if (!hoursOk || !minutesOk || !QTime::isValid(hours, minutes, 0))
        return std::nullopt;
    return QTime(hours, minutes);
}

LoadedProgrammes loadProgrammes(const SettingsBackend &store)
{
    LoadedProgrammes loaded;
    for (int number = 1; number <= kMostProgrammes; ++number) {
        const QString section = sectionName(number);
        const auto name = store.read(section, kNameKey);
        const auto days = store.read(section, kDaysKey);
        const auto start = store.read(section, kStartKey);
        const auto end = store.read(section, kEndKey);
        if (!name && !days && !start && !end)
            continue;
        Programme programme;
        programme.name = name.value_or(section).trimmed();
        if (programme.name.isEmpty())
            programme.name = section;
        const QString head = QStringLiteral("[%1] %2: ").arg(section, programme.name);

        QStringList unusable;
        const auto parsedDays = parseProgrammeDays(days.value_or(QString()));
        if (parsedDays)
            programme.days = *parsedDays;
        else
            unusable << QStringLiteral("days \"%1\" are not days like Mon-Fri or Sat,Sun")
                            .arg(days.value_or(QString()));
        const auto parsedStart = parseProgrammeTime(start.value_or(QString()));
        if (parsedStart)
            programme.start = *parsedStart;
        else
            unusable << QStringLiteral("start \"%1\" is not a time HH:MM").arg(start.value_or(QString()));
        const auto parsedEnd = parseProgrammeTime(end.value_or(QString()));
        if (parsedEnd)
            programme.end = *parsedEnd;
        else
            unusable << QStringLiteral("end \"%1\" is not a time HH:MM").arg(end.value_or(QString()));
        if (!unusable.isEmpty()) {
            loaded.problems << head + unusable.join(QStringLiteral("; "))
                    + QStringLiteral("; the programme is left out");
            continue;
        }

        if (const auto follow = store.read(section, kFollowSongsKey)) {
            const auto flag = storedTextToFlag(follow->trimmed());
            programme.followSongs = flag.value_or(false);
            if (!flag)
                loaded.problems << head
                        + QStringLiteral(
                            "FollowSongs \"%1\" is neither True nor False; its texts stay on air "
                            "whatever the song")
                              .arg(*follow);
        }
        for (int i = 0; i < kLabelCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (const auto label = store.read(section, labelKey(i)))
                programme.labels[at] = FitPsLabel(*label);
            if (const auto delay = store.read(section, delayKey(i))) {
                const auto value = storedTextToInteger(delay->trimmed());
                if (value && *value >= 0 && *value < kDelayEntryCount)
                    programme.delays[at] = *value;
                else
                    loaded.problems << head
                            + QStringLiteral("%1 \"%2\" is not a delay 0 .. %3; the station's delay is kept")
                                  .arg(delayKey(i), *delay)
                                  .arg(kDelayEntryCount - 1);
            }
        }
        if (const auto text = store.read(section, kRadioTextKey))
            programme.radioText = FitLongText(*text);
        loaded.programmes.push_back(std::move(programme));
    }
    return loaded;
}

void saveProgrammes(const std::vector<Programme> &programmes, SettingsBackend &store)
{
    int number = 0;
    for (const Programme &programme : programmes) {
        const QString section = sectionName(++number);
        store.removeSection(section);
        store.write(section, kNameKey, programme.name);
        store.write(section, kDaysKey, programmeDaysText(programme.days));
        store.write(section, kStartKey, timeText(programme.start));
        store.write(section, kEndKey, timeText(programme.end));
        store.write(section, kFollowSongsKey, flagToStoredText(programme.followSongs));
        for (int i = 0; i < kLabelCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (programme.labels[at])
                store.write(section, labelKey(i), *programme.labels[at]);
            if (programme.delays[at])
                store.write(section, delayKey(i), integerToStoredText(*programme.delays[at]));
        }
        if (programme.radioText)
            store.write(section, kRadioTextKey, *programme.radioText);
    }
    while (++number <= kMostProgrammes)
        store.removeSection(sectionName(number));
}

} // namespace zorvan
