#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <string_view>

namespace zorvan {

// Every command the driver sends, in the order of kCommandVocabulary.
enum class CommandId {
    Power,
    PiHigh,
    PiLow,
    ProgrammeType,
    TrafficProgramme,
    TrafficAnnouncement,
    MusicSpeech,
    DecoderId,
    AfCount,
    AlternativeFrequency,
    ExtendedCountryCode,
    RadioText,
    Label,
    LabelDelay,
    Message,
    Time,
    Date,
    Mode,
    Save,
};

enum class ValueEncoding {
    DecimalText, // ASCII digits, filled with "0" to `size` digits when size > 0
    OffsetBytes, // `size` bytes, each quantity + kOffsetByteBias
    Text, // Windows-1252 text of at most `size` bytes
};

// The operations that send a command, as bits of Command::senders.
enum class Sender : unsigned {
    SendSettings = 1u << 0,
    SynchronizeClock = 1u << 1,
    SetMode = 1u << 2,
    SendRtAndPs = 1u << 3,
    AutoUpdateTick = 1u << 4, // the dynamic labels and the radio-text update
};

// One command of the board, or a numbered family of them ("PS00".."PS99"):
// a family's names are `name` followed by an index from `first` to `last`
// written in `digits` digits.
struct Command {
    CommandId id;
    std::string_view name;
    int first = 0;
    int last = 0;
    int digits = 0; // 0: a single command called `name`
    ValueEncoding encoding = ValueEncoding::DecimalText;
    int size = 0;
    bool carriageReturns = false; // the text is ended with carriage returns
    unsigned senders = 0;
    std::string_view value; // what the value carries

    constexpr bool isFamily() const { return digits > 0; }
    constexpr bool sentBy(Sender sender) const { return (senders & unsigned(sender)) != 0; }
};

namespace vocabulary {

using enum CommandId;
constexpr auto kDigits = ValueEncoding::DecimalText;
constexpr auto kOffset = ValueEncoding::OffsetBytes;
constexpr auto kText = ValueEncoding::Text;
constexpr unsigned kSettings = unsigned(Sender::SendSettings);
constexpr unsigned kClock = unsigned(Sender::SynchronizeClock);
constexpr unsigned kMode = unsigned(Sender::SetMode);
constexpr unsigned kTexts = unsigned(Sender::SendRtAndPs);
constexpr unsigned kDynamic = unsigned(Sender::AutoUpdateTick);

} // namespace vocabulary

// The board's commands: the senders name and encode their frames by this
// table, and the simulator's board model decodes them by it.
// clang-format off
inline constexpr std::array kCommandVocabulary = {
    //      id                                  name    first last digits  encoding   size  CRs    senders
    Command{vocabulary::Power,                  "PWR",  0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "1 when RDS output is switched on, else 0"},
    Command{vocabulary::PiHigh,                 "CCAC", 0, 0,  0, vocabulary::kDigits, 3,  false, vocabulary::kSettings,
            "CountryCode x 16 + AreaCoverage, the high byte of the PI code"},
    Command{vocabulary::PiLow,                  "PREF", 0, 0,  0, vocabulary::kDigits, 3,  false, vocabulary::kSettings,
            "ProgramReference, the low byte of the PI code"},
    Command{vocabulary::ProgrammeType,          "PTY",  0, 0,  0, vocabulary::kDigits, 2,  false, vocabulary::kSettings,
            "programme type 0 to 31"},
    Command{vocabulary::TrafficProgramme,       "TP",   0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "traffic-programme flag, 0 or 1"},
    Command{vocabulary::TrafficAnnouncement,    "TA",   0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "traffic-announcement flag, 0 or 1"},
    Command{vocabulary::MusicSpeech,            "MS",   0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "music/speech flag, 0 or 1"},
    Command{vocabulary::DecoderId,              "Did",  0, 3,  1, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "decoder-identification bit 0 to 3, 0 or 1"},
    Command{vocabulary::AfCount,                "AF0",  0, 0,  0, vocabulary::kOffset, 1,  false, vocabulary::kSettings,
            "224 + number of alternative frequencies (0 to 7)"},
    Command{vocabulary::AlternativeFrequency,   "AF",   1, 7,  1, vocabulary::kOffset, 1,  false, vocabulary::kSettings,
            "code of the 1st to 7th alternative frequency, 0 = none"},
    Command{vocabulary::ExtendedCountryCode,    "ECC",  0, 0,  0, vocabulary::kOffset, 1,  false, vocabulary::kSettings,
            "extended-country-code selector 1 to 5 for E0 to E4"},
    Command{vocabulary::RadioText,              "RT",   0, 0,  0, vocabulary::kText,   64, true,
            vocabulary::kSettings | vocabulary::kTexts | vocabulary::kDynamic,
            "radio text"},
    Command{vocabulary::Label,                  "PS",   0, 99, 2, vocabulary::kText,   8,  false,
            vocabulary::kSettings | vocabulary::kTexts | vocabulary::kDynamic,
            "programme-service label (the settings upload sends PS00 only)"},
    Command{vocabulary::LabelDelay,             "PD",   0, 99, 2, vocabulary::kDigits, 0,  false,
            vocabulary::kTexts | vocabulary::kDynamic,
            "display delay of the label"},
    Command{vocabulary::Message,                "MG",   0, 7,  1, vocabulary::kText,   64, true,  vocabulary::kTexts,
            "external message of switch input 1 to 8"},
    Command{vocabulary::Time,                   "TIME", 0, 0,  0, vocabulary::kOffset, 3,  false, vocabulary::kClock,
            "hours, minutes, seconds"},
    Command{vocabulary::Date,                   "DATE", 0, 0,  0, vocabulary::kOffset, 3,  false, vocabulary::kClock,
            "years since 2004, month, day"},
    Command{vocabulary::Mode,                   "MODE", 0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kMode,
            "encoder operating mode 0 to 5"},
    Command{vocabulary::Save,                   "SAVE", 0, 0,  0, vocabulary::kDigits, 0,  false,
            vocabulary::kSettings | vocabulary::kClock | vocabulary::kTexts,
            "0: store the settings, ends an upload"},
};
// clang-format on

constexpr bool vocabularyInIdOrder()
{
    for (std::size_t i = 0; i < kCommandVocabulary.size(); ++i) {
        if (std::size_t(kCommandVocabulary[i].id) != i)
            return false;
    }
    return true;
}
static_assert(vocabularyInIdOrder(), "the table is looked up by CommandId");

constexpr const Command &command(CommandId id)
{
    return kCommandVocabulary[std::size_t(id)];
}

// A name as the board reads it: the entry, and the index within a family
// (0 for a single command).
struct CommandMatch {
    const Command *command = nullptr;
    int index = 0;

    explicit operator bool() const { return command != nullptr; }
};

// The vocabulary entry whose name (or family of names) `name` is, exactly
// and case-sensitively; no entry for anything the board is never sent.
CommandMatch matchCommand(QByteArrayView name);
const Command *findCommand(QByteArrayView name);

// The name of member `index` of a family ("PS" and 7 give "PS07"); a single
// command's own name when `command` is no family. Empty when the index is
// outside the family.
QByteArray commandName(const Command &command, int index = 0);
QByteArray commandName(CommandId id, int index = 0);

// Values encoded as the entry says: a number in ASCII digits filled to the
// entry's width; one quantity as its offset byte (empty when it has none:
// sent empty rather than wrapped round onto a frame byte); a text in
// Windows-1252, cut to the entry's size when the entry is a text (the
// digits a delay list shows go out as they are shown).
QByteArray decimalValue(CommandId id, qint64 number);
QByteArray offsetValue(CommandId id, int quantity);
QByteArray textValue(CommandId id, const QString &text);

} // namespace zorvan
