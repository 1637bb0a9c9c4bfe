#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <string_view>

namespace zorvan {

enum class ValueEncoding {
    DecimalText, // ASCII digits, filled with "0" to `size` digits when size > 0
    OffsetBytes, // `size` bytes, each quantity + 4
    Text, // Windows-1252 text of at most `size` characters
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

constexpr auto kDigits = ValueEncoding::DecimalText;
constexpr auto kOffset = ValueEncoding::OffsetBytes;
constexpr auto kText = ValueEncoding::Text;
constexpr unsigned kSettings = unsigned(Sender::SendSettings);
constexpr unsigned kClock = unsigned(Sender::SynchronizeClock);
constexpr unsigned kMode = unsigned(Sender::SetMode);
constexpr unsigned kTexts = unsigned(Sender::SendRtAndPs);
constexpr unsigned kDynamic = unsigned(Sender::AutoUpdateTick);

} // namespace vocabulary

// Every command the driver sends.
// clang-format off
inline constexpr std::array kCommandVocabulary = {
    //      name    first last digits  encoding          size  CRs    senders
    Command{"PWR",  0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "1 when RDS output is switched on, else 0"},
    Command{"CCAC", 0, 0,  0, vocabulary::kDigits, 3,  false, vocabulary::kSettings,
            "CountryCode x 16 + AreaCoverage, the high byte of the PI code"},
    Command{"PREF", 0, 0,  0, vocabulary::kDigits, 3,  false, vocabulary::kSettings,
            "ProgramReference, the low byte of the PI code"},
    Command{"PTY",  0, 0,  0, vocabulary::kDigits, 2,  false, vocabulary::kSettings,
            "programme type 0 to 31"},
    Command{"TP",   0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "traffic-programme flag, 0 or 1"},
    Command{"TA",   0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "traffic-announcement flag, 0 or 1"},
    Command{"MS",   0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "music/speech flag, 0 or 1"},
    Command{"Did",  0, 3,  1, vocabulary::kDigits, 0,  false, vocabulary::kSettings,
            "decoder-identification bit 0 to 3, 0 or 1"},
    Command{"AF0",  0, 0,  0, vocabulary::kOffset, 1,  false, vocabulary::kSettings,
            "224 + number of alternative frequencies (0 to 7)"},
    Command{"AF",   1, 7,  1, vocabulary::kOffset, 1,  false, vocabulary::kSettings,
            "code of the 1st to 7th alternative frequency, 0 = none"},
    Command{"ECC",  0, 0,  0, vocabulary::kOffset, 1,  false, vocabulary::kSettings,
            "extended-country-code selector 1 to 5 for E0 to E4"},
    Command{"RT",   0, 0,  0, vocabulary::kText,   64, true,
            vocabulary::kSettings | vocabulary::kTexts | vocabulary::kDynamic,
            "radio text"},
    Command{"PS",   0, 99, 2, vocabulary::kText,   8,  false,
            vocabulary::kSettings | vocabulary::kTexts | vocabulary::kDynamic,
            "programme-service label (the settings upload sends PS00 only)"},
    Command{"PD",   0, 99, 2, vocabulary::kDigits, 0,  false, vocabulary::kTexts | vocabulary::kDynamic,
            "display delay of the label"},
    Command{"MG",   0, 7,  1, vocabulary::kText,   64, true,  vocabulary::kTexts,
            "external message of switch input 1 to 8"},
    Command{"TIME", 0, 0,  0, vocabulary::kOffset, 3,  false, vocabulary::kClock,
            "hours, minutes, seconds"},
    Command{"DATE", 0, 0,  0, vocabulary::kOffset, 3,  false, vocabulary::kClock,
            "years since 2004, month, day"},
    Command{"MODE", 0, 0,  0, vocabulary::kDigits, 0,  false, vocabulary::kMode,
            "encoder operating mode 0 to 5"},
    Command{"SAVE", 0, 0,  0, vocabulary::kDigits, 0,  false,
            vocabulary::kSettings | vocabulary::kClock | vocabulary::kTexts,
            "0: store the settings, ends an upload"},
};
// clang-format on

// The vocabulary entry whose name (or family of names) `name` is, exactly
// and case-sensitively; nullptr for anything the board is never sent.
const Command *findCommand(QByteArrayView name);

// The name of member `index` of a family ("PS" and 7 give "PS07"); a single
// command's own name when `command` is no family. Empty when the index is
// outside the family.
QByteArray commandName(const Command &command, int index = 0);

} // namespace zorvan
