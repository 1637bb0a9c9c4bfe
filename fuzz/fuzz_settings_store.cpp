// The settings file as a hand, a crash or another program may leave it.
// Input: INI-like lines, "[Section]" choosing the section (the station's
// section to begin with) and "key=value" storing a text. The record loaded
// from it must save and load back unchanged, be repaired into what the
// window can show, and go out on the wire in well-formed frames whatever
// it holds.

#include "fuzz_input.h"
#include "memory_settings_backend.h"

#include "content/label_frames.h"
#include "content/programme_text_upload.h"
#include "link/com_port_map.h"
#include "link/line_settings.h"
#include "link/mode_command.h"
#include "link/settings_upload.h"
#include "model/af_list.h"
#include "model/field_repair.h"
#include "model/text_rules.h"
#include "settings/settings_store.h"

#include <cstddef>
#include <cstdint>

using namespace zorvan;
using zorvan::fuzz::require;

namespace {

void checkConversions(const QString &text)
{
    const std::optional<qint16> integer = storedTextToInteger(text);
    const std::optional<bool> flag = storedTextToFlag(text);
    if (integer) {
        require(storedTextToInteger(integerToStoredText(*integer)) == integer, "integers round-trip");
        require(flag == (*integer != 0), "a number read as a flag is true when not 0");
    }
    if (flag)
        require(storedTextToFlag(flagToStoredText(*flag)) == flag, "flags round-trip");
}

MemorySettingsBackend backendFrom(const QByteArray &input)
{
    MemorySettingsBackend backend;
    QString section = kSettingsSection;
    for (const QByteArray &rawLine : input.split('\n')) {
        const QString line = QString::fromUtf8(rawLine);
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = equals < 0 ? line : line.left(equals);
        const QString value = equals < 0 ? QString() : line.mid(equals + 1);
        checkConversions(value);
        backend.write(section, key, value);
    }
    return backend;
}

void checkSettingsUpload(const StationSettings &settings)
{
    SettingsUploadInput input;
    input.settings = settings;
    input.rdsActive = settings.RDSActive;
    for (std::size_t i = 0; i < input.afTexts.size(); ++i)
        input.afTexts[i] = afEntryText(settings.AF[i]);
    input.firstLabel = settings.PS[0].left(kPsLabelLength);
    const SettingsUpload upload = SendSettings(input);
    const std::vector<DecodedFrame> frames
        = fuzz::framesOf(upload.plan.bytes(), "settings upload is well framed");
    require(frames.size() == 23, "settings upload has 23 frames");
    require(frames.front().name == "PWR" && frames.back().name == "SAVE", "settings upload from PWR to SAVE");
    require(upload.afNum >= 0 && upload.afNum <= kAfCount, "recounted AFNum in range");
}

void checkTextUpload(const StationSettings &settings)
{
    ProgrammeTextSnapshot snapshot;
    snapshot.RT = settings.RT;
    snapshot.MG = settings.MG;
    for (std::size_t i = 0; i < snapshot.labels.size(); ++i) {
        snapshot.labels[i] = settings.PS[i].left(kPsLabelLength);
        snapshot.delays[i] = QString::number(settings.PSDelay[i]);
    }
    const std::vector<DecodedFrame> frames
        = fuzz::framesOf(SendRtAndPs(snapshot).bytes(), "text upload is well framed");
    require(frames.size() == 2 + kMessageCount + 2 * kLabelCount, "text upload has 210 frames");
    for (const DecodedFrame &frame : frames)
        require(frame.value.size() <= kLongTextLength, "text upload values fit the board");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    if (size >= 2) {
        const auto raw = static_cast<qint16>(data[0] | (data[1] << 8));
        require(storedTextToInteger(integerToStoredText(raw)) == raw, "every 16-bit value round-trips");
    }

    MemorySettingsBackend stored = backendFrom(input);
    StationSettings loaded;
    require(LoadAllSettings(loaded, stored) == StoreStatus::Ok, "a memory store always loads");

    MemorySettingsBackend saved;
    require(SaveAllSettings(loaded, saved) == StoreStatus::Ok, "a memory store always saves");
    require(saved.values.size() == std::size_t(settingsKeyOrder().size()), "every key is saved once");
    StationSettings reloaded;
    LoadAllSettings(reloaded, saved);
    // The base address is saved under another key than it is loaded from.
    reloaded.BaseAddress = loaded.BaseAddress;
    require(reloaded == loaded, "a saved record loads back unchanged");

    StationSettings repaired = loaded;
    const QStringList repairedKeys = repairUnshowableFields(repaired);
    require(repairUnshowableFields(repaired).isEmpty(), "a repaired record needs no more repair");
    require(repairedKeys.isEmpty() == (repaired == loaded), "repair names exactly what it changed");
    for (const QString &key : repairedKeys)
        require(settingsKeyOrder().contains(key), "repair names stored keys");

    checkSettingsUpload(loaded);
    checkTextUpload(repaired);
    require(fuzz::framesOf(SetMode(loaded.MODE).bytes(), "mode frame is well framed").size() == 1,
        "one mode frame");
    if (const std::optional<LineSettings> line = LineSettingsTable(loaded.COMSpeed))
        require(line->baudRate >= 9600 && line->baudRate <= 38400, "line speeds are the board's");
    require(!comPortDevice(stored, loaded.COMSelected).isEmpty(), "every COM number names a device");
    return 0;
}
