#include "content/station_texts.h"

#include "settings/settings_store.h"

#include <algorithm>

namespace zorvan {

namespace {

// The same section as the driver's other options.
const QString kFallbackMinutesKey = QStringLiteral("FallbackMinutes");
const QString kFallbackOnEmptyKey = QStringLiteral("FallbackOnEmptySong");
const QString kRadioTextKey = QStringLiteral("RT");
// A day: a song that runs longer is a stream left on, not a song.
constexpr int kMostFallbackMinutes = 1440;

std::size_t at(int index)
{
    return static_cast<std::size_t>(index);
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

} // namespace

StationTexts stationTextsFrom(const StationSettings &record)
{
    StationTexts texts;
    texts.labels = record.PS;
    texts.delays = record.PSDelay;
    texts.radioText = record.RT;
    return texts;
}

void putStationTexts(const StationTexts &texts, StationSettings &record)
{
    record.PS = texts.labels;
    record.PSDelay = texts.delays;
    record.RT = texts.radioText;
}

std::optional<StationTexts> loadStationTexts(const SettingsBackend &store, const StationSettings &record)
{
    StationTexts texts = stationTextsFrom(record);
    bool found = false;
    auto read = [&](const QString &key) {
        std::optional<QString> value = store.read(kStationTextsSection, key);
        found = found || value.has_value();
        return value;
    };
    for (int i = 0; i < kLabelCount; ++i) {
        if (const auto stored = read(labelKey(i)))
            texts.labels[at(i)] = *stored;
        if (const auto stored = read(delayKey(i)))
            texts.delays[at(i)] = storedTextToInteger(*stored).value_or(texts.delays[at(i)]);
    }
    if (const auto stored = read(kRadioTextKey))
        texts.radioText = *stored;
    if (!found)
        return std::nullopt;
    return texts;
}

void saveStationTexts(const StationTexts &texts, SettingsBackend &store)
{
    for (int i = 0; i < kLabelCount; ++i) {
        store.write(kStationTextsSection, labelKey(i), texts.labels[at(i)]);
        store.write(kStationTextsSection, delayKey(i), integerToStoredText(texts.delays[at(i)]));
    }
    store.write(kStationTextsSection, kRadioTextKey, texts.radioText);
}

FallbackRule loadFallbackRule(const SettingsBackend &store, QStringList *unusable)
{
    FallbackRule rule;
    const auto refused = [unusable](const QString &key, const QString &stored, const QString &usedInstead) {
        if (unusable)
            unusable->append(unusableSettingText(kDriverSection, key, stored, usedInstead));
    };
    if (const auto stored = store.read(kDriverSection, kFallbackMinutesKey)) {
        bool ok = false;
        const int minutes = stored->trimmed().toInt(&ok);
        if (ok)
            rule.minutes = std::clamp(minutes, 0, kMostFallbackMinutes);
        if (!ok || rule.minutes != minutes)
            refused(kFallbackMinutesKey, *stored,
                rule.minutes == 0 ? QStringLiteral("0 (off)") : QString::number(rule.minutes));
    }
    if (const auto stored = store.read(kDriverSection, kFallbackOnEmptyKey)) {
        const QString onEmpty = stored->trimmed();
        rule.onEmptySong = onEmpty == QLatin1String("1");
        if (onEmpty != QLatin1String("1") && onEmpty != QLatin1String("0"))
            refused(kFallbackOnEmptyKey, *stored, QStringLiteral("0 (off)"));
    }
    return rule;
}

void saveFallbackRule(const FallbackRule &rule, SettingsBackend &store)
{
    store.write(kDriverSection, kFallbackMinutesKey, QString::number(rule.minutes));
    store.write(
        kDriverSection, kFallbackOnEmptyKey, rule.onEmptySong ? QStringLiteral("1") : QStringLiteral("0"));
}

FallbackDecision decideFallback(FallbackState &state, const FallbackRule &rule, const QString &songText,
    bool songEmpty, const QDateTime &now)
{
    // A clock set back would otherwise hold the fallback off for as long.
    if (state.lastChange.isValid() && now < state.lastChange)
        state.lastChange = now;
    const bool newSong = !state.lastChange.isValid() || songText != state.lastSong;
    if (newSong) {
        state.lastSong = songText;
        state.lastChange = now;
    }

    if (songEmpty) {
        if (rule.onEmptySong && state.onAir == OnAir::Song) {
            state.onAir = OnAir::Station;
            return FallbackDecision::PutStationTexts;
        }
    } else if (newSong && state.onAir == OnAir::Station) {
        state.onAir = OnAir::Song;
        return FallbackDecision::ResumeSong;
    }

    const qint64 unchangedFor = state.lastChange.msecsTo(now);
    if (state.onAir == OnAir::Song && rule.minutes > 0 && unchangedFor >= qint64(rule.minutes) * 60 * 1000) {
        state.onAir = OnAir::Station;
        return FallbackDecision::PutStationTexts;
    }
    return FallbackDecision::Nothing;
}

} // namespace zorvan
