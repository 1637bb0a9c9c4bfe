#include "settings/settings_store.h"

#include <functional>
#include <limits>
#include <vector>

namespace zorvan {

namespace {

enum class Kind { Integer, Flag, Text };

// One stored key: where it lives in the record and how its text reads.
// `loadKey` differs from `key` only for the base address, which has always
// been read from "BaseAddress" and written back under "PortSelected".
struct Entry {
    QString key;
    QString loadKey;
    Kind kind;
    std::function<qint16 &(StationSettings &)> integer;
    std::function<bool &(StationSettings &)> flag;
    std::function<QString &(StationSettings &)> text;
};

Entry integerEntry(const QString &key, std::function<qint16 &(StationSettings &)> field)
{
    return Entry { key, key, Kind::Integer, std::move(field), {}, {} };
}

Entry flagEntry(const QString &key, std::function<bool &(StationSettings &)> field)
{
    return Entry { key, key, Kind::Flag, {}, std::move(field), {} };
}

Entry textEntry(const QString &key, std::function<QString &(StationSettings &)> field)
{
    return Entry { key, key, Kind::Text, {}, {}, std::move(field) };
}

QString numberedKey(const char *base, int index)
{
    return index == 0 ? QString::fromLatin1(base) : QString::fromLatin1(base) + QString::number(index);
}

// The keys in the order they are written.
std::vector<Entry> buildEntries()
{
    using S = StationSettings;
    std::vector<Entry> e;
    e.push_back(integerEntry("ECC", [](S &s) -> qint16 & { return s.ECC; }));
    e.push_back(integerEntry("CountryCode", [](S &s) -> qint16 & { return s.CountryCode; }));
    Entry base = integerEntry("PortSelected", [](S &s) -> qint16 & { return s.BaseAddress; });
    base.loadKey = QStringLiteral("BaseAddress");
    e.push_back(base);
    e.push_back(integerEntry("COMSelected", [](S &s) -> qint16 & { return s.COMSelected; }));
    e.push_back(integerEntry("COMSpeed", [](S &s) -> qint16 & { return s.COMSpeed; }));
    e.push_back(integerEntry("AreaCoverage", [](S &s) -> qint16 & { return s.AreaCoverage; }));
    e.push_back(integerEntry("ProgramReference", [](S &s) -> qint16 & { return s.ProgramReference; }));
    e.push_back(integerEntry("MODE", [](S &s) -> qint16 & { return s.MODE; }));
    e.push_back(flagEntry("TransmitAF", [](S &s) -> bool & { return s.TransmitAF; }));
    e.push_back(integerEntry("TP", [](S &s) -> qint16 & { return s.TP; }));
    e.push_back(integerEntry("TA", [](S &s) -> qint16 & { return s.TA; }));
    e.push_back(integerEntry("MS", [](S &s) -> qint16 & { return s.MS; }));
    e.push_back(integerEntry("PTY", [](S &s) -> qint16 & { return s.PTY; }));
    for (int i = 0; i < kLabelCount; ++i)
        e.push_back(textEntry(numberedKey("PS", i), [i](S &s) -> QString & { return s.PS[std::size_t(i)]; }));
    for (int i = 0; i < kLabelCount; ++i)
        e.push_back(integerEntry(
            numberedKey("PSDelay", i), [i](S &s) -> qint16 & { return s.PSDelay[std::size_t(i)]; }));
    e.push_back(integerEntry("PSDelay100", [](S &s) -> qint16 & { return s.PSDelay100; }));
    e.push_back(integerEntry("SETTOSAMEDELAY", [](S &s) -> qint16 & { return s.SETTOSAMEDELAY; }));
    e.push_back(integerEntry("AutoPS", [](S &s) -> qint16 & { return s.AutoPS; }));
    e.push_back(integerEntry("AutoPSDelay", [](S &s) -> qint16 & { return s.AutoPSDelay; }));
    e.push_back(integerEntry("TurboPSDelay", [](S &s) -> qint16 & { return s.TurboPSDelay; }));
    e.push_back(textEntry("AutoPSPath", [](S &s) -> QString & { return s.AutoPSPath; }));
    e.push_back(flagEntry("AutoPSSplit", [](S &s) -> bool & { return s.AutoPSSplit; }));
    e.push_back(flagEntry("ScrollPS", [](S &s) -> bool & { return s.ScrollPS; }));
    e.push_back(flagEntry("InsertTime", [](S &s) -> bool & { return s.InsertTime; }));
    e.push_back(flagEntry("TrayAtStart", [](S &s) -> bool & { return s.TrayAtStart; }));
    e.push_back(flagEntry("RDSActive", [](S &s) -> bool & { return s.RDSActive; }));
    e.push_back(flagEntry("InsertDate", [](S &s) -> bool & { return s.InsertDate; }));
    e.push_back(textEntry("RT", [](S &s) -> QString & { return s.RT; }));
    for (int i = 0; i < kMessageCount; ++i)
        e.push_back(textEntry(
            QStringLiteral("MG%1").arg(i), [i](S &s) -> QString & { return s.MG[std::size_t(i)]; }));
    for (int i = 0; i < kExtraRtCount; ++i)
        e.push_back(textEntry(
            QStringLiteral("RT%1").arg(i + 1), [i](S &s) -> QString & { return s.RTn[std::size_t(i)]; }));
    e.push_back(integerEntry("RTSwitch", [](S &s) -> qint16 & { return s.RTSwitch; }));
    e.push_back(integerEntry("AFNum", [](S &s) -> qint16 & { return s.AFNum; }));
    for (int i = 0; i < kAfCount; ++i)
        e.push_back(integerEntry(
            QStringLiteral("AF%1").arg(i + 1), [i](S &s) -> qint16 & { return s.AF[std::size_t(i)]; }));
    e.push_back(integerEntry("DId0", [](S &s) -> qint16 & { return s.DId0; }));
    e.push_back(integerEntry("DId1", [](S &s) -> qint16 & { return s.DId1; }));
    e.push_back(integerEntry("DId2", [](S &s) -> qint16 & { return s.DId2; }));
    e.push_back(integerEntry("DId3", [](S &s) -> qint16 & { return s.DId3; }));
    e.push_back(integerEntry("DynamicPS", [](S &s) -> qint16 & { return s.DynamicPS; }));
    e.push_back(integerEntry("DynamicRT", [](S &s) -> qint16 & { return s.DynamicRT; }));
    e.push_back(textEntry("WinAmpVersion", [](S &s) -> QString & { return s.WinAmpVersion; }));
    e.push_back(textEntry("GetMP3Tag", [](S &s) -> QString & { return s.GetMP3Tag; }));
    return e;
}

const std::vector<Entry> &entries()
{
    static const std::vector<Entry> all = buildEntries();
    return all;
}

std::optional<qlonglong> parseWhole(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 20)
        return std::nullopt;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace

std::optional<qint16> storedTextToInteger(const QString &text)
{
    const auto v = parseWhole(text);
    if (!v || *v < std::numeric_limits<qint16>::min() || *v > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(*v);
}

std::optional<bool> storedTextToFlag(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const auto v = parseWhole(t);
    if (!v)
        return std::nullopt;
    return *v != 0;
}

QString integerToStoredText(qint16 value)
{
    return QString::number(value);
}

QString flagToStoredText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QStringList settingsKeyOrder()
{
    QStringList keys;
    for (const Entry &e : entries())
        keys << e.key;
    return keys;
}

QString unusableSettingText(
    const QString &section, const QString &key, const QString &stored, const QString &usedInstead)
{
    return QStringLiteral("[%1] %2=%3 cannot be used; %4 is used instead")
        .arg(section, key, stored, usedInstead.isEmpty() ? QStringLiteral("nothing") : usedInstead);
}

StoreStatus LoadAllSettings(StationSettings &settings, SettingsBackend &backend, QStringList *unusable)
{
    StationSettings loaded;
    // `loaded` still holds the default of a key when its text is refused.
    const auto refused = [&](const Entry &e, const QString &stored, const QString &usedInstead) {
        if (unusable)
            unusable->append(unusableSettingText(kSettingsSection, e.loadKey, stored, usedInstead));
    };
    for (const Entry &e : entries()) {
        const std::optional<QString> stored = backend.read(kSettingsSection, e.loadKey);
        if (!stored)
            continue;
        switch (e.kind) {
        case Kind::Integer:
            if (const auto v = storedTextToInteger(*stored))
                e.integer(loaded) = *v;
            else
                refused(e, *stored, integerToStoredText(e.integer(loaded)));
            break;
        case Kind::Flag:
            if (const auto v = storedTextToFlag(*stored))
                e.flag(loaded) = *v;
            else
                refused(e, *stored, flagToStoredText(e.flag(loaded)));
            break;
        case Kind::Text:
            e.text(loaded) = *stored;
            break;
        }
    }
    settings = loaded;
    return backend.readable() ? StoreStatus::Ok : StoreStatus::Unreadable;
}

StoreStatus SaveAllSettings(const StationSettings &settings, SettingsBackend &backend)
{
    writeAllSettings(settings, backend);
    return backend.flush() ? StoreStatus::Ok : StoreStatus::Unwritable;
}

void writeAllSettings(const StationSettings &settings, SettingsBackend &backend)
{
    // The accessors hand out references, so they work on a copy (the texts
    // are shared, not duplicated).
    StationSettings record = settings;
    for (const Entry &e : entries()) {
        switch (e.kind) {
        case Kind::Integer:
            backend.write(kSettingsSection, e.key, integerToStoredText(e.integer(record)));
            break;
        case Kind::Flag:
            backend.write(kSettingsSection, e.key, flagToStoredText(e.flag(record)));
            break;
        case Kind::Text:
            backend.write(kSettingsSection, e.key, e.text(record));
            break;
        }
    }
}

} // namespace zorvan
