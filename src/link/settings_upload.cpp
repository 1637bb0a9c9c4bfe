#include "link/settings_upload.h"

#include "link/command_vocabulary.h"
#include "model/af_list.h"
#include "model/text_rules.h"

namespace zorvan {

namespace {

constexpr int kFramePause = 100;
constexpr int kLongPause = 200;
constexpr char kCarriageReturn = '\r';

// The board takes exactly 64 bytes of radio text: shorter text is filled
// with carriage returns, longer text is cut. Counting bytes rather than
// UTF-16 units keeps a character outside the BMP (one "?" on the wire)
// from shortening the fill.
QByteArray radioTextValue(const QString &rt)
{
    QByteArray bytes = textValue(CommandId::RadioText, rt);
    bytes.append(QByteArray(command(CommandId::RadioText).size - bytes.size(), kCarriageReturn));
    return bytes;
}

struct ReportedFrame {
    CommandId id;
    int index;
    const char *status;
    int step;
};

// Reports made inside the frames of the flags and the AF list, after the
// separator and before the value.
constexpr std::array<ReportedFrame, 7> kFlagFrames { {
    { CommandId::TrafficProgramme, 0, "Sending TP to RDS encoder... 30%", 4 },
    { CommandId::TrafficAnnouncement, 0, "Sending TA to RDS encoder... 35%", 5 },
    { CommandId::MusicSpeech, 0, "Sending MS to RDS encoder... 40%", 6 },
    { CommandId::DecoderId, 0, "Sending DID0 to RDS encoder... 45%", 7 },
    { CommandId::DecoderId, 1, "Sending DID1 to RDS encoder... 47%", 7 },
    { CommandId::DecoderId, 2, "Sending DID2 to RDS encoder... 49%", 7 },
    { CommandId::DecoderId, 3, "Sending DID3 to RDS encoder... 52%", 8 },
} };

constexpr std::array<ReportedFrame, kAfCount + 1> kAfFrames { {
    { CommandId::AfCount, 0, "Sending AF0 to RDS encoder... 55%", 8 },
    { CommandId::AlternativeFrequency, 1, "Sending AF1 to RDS encoder... 57%", 12 },
    { CommandId::AlternativeFrequency, 2, "Sending AF2 to RDS encoder... 60%", 13 },
    { CommandId::AlternativeFrequency, 3, "Sending AF3 to RDS encoder... 65%", 14 },
    { CommandId::AlternativeFrequency, 4, "Sending AF4 to RDS encoder... 70%", 15 },
    { CommandId::AlternativeFrequency, 5, "Sending AF5 to RDS encoder... 75%", 16 },
    { CommandId::AlternativeFrequency, 6, "Sending AF6 to RDS encoder... 80%", 17 },
    { CommandId::AlternativeFrequency, 7, "Sending AF7 to RDS encoder... 85%", 18 },
} };

void reportedFrame(
    Transmission &plan, const ReportedFrame &frame, const QByteArray &value, int pauseMs = kFramePause)
{
    plan.openFrame(commandName(frame.id, frame.index));
    plan.report(QString::fromLatin1(frame.status), frame.step);
    plan.value(value);
    plan.closeFrame();
    plan.pause(pauseMs);
}

} // namespace

SettingsUpload SendSettings(const SettingsUploadInput &input)
{
    const StationSettings &s = input.settings;
    SettingsUpload result;
    Transmission &plan = result.plan;

    plan.report(QStringLiteral("Sending settings to RDS encoder... 5%"), 1);
    plan.openFrame(commandName(CommandId::Power));
    plan.report(QStringLiteral("Sending PWR to RDS encoder... 15%"));
    plan.value(decimalValue(CommandId::Power, input.rdsActive ? 1 : 0));
    plan.closeFrame();
    plan.pause(kFramePause);

    plan.report(QStringLiteral("Sending settings to RDS encoder... 10%"), 1);
    plan.openFrame(commandName(CommandId::PiHigh));
    plan.report(QStringLiteral("Sending CCAC to RDS encoder... 15%"));
    plan.value(decimalValue(CommandId::PiHigh, s.CountryCode * 16 + s.AreaCoverage));
    plan.closeFrame();
    plan.pause(kFramePause);

    plan.report(QStringLiteral("Sending PI to RDS encoder... 20%"), 2);
    plan.frame(commandName(CommandId::PiLow), decimalValue(CommandId::PiLow, s.ProgramReference));
    plan.pause(kFramePause);

    plan.report(QStringLiteral("Sending PTY to RDS encoder... 25%"), 3);
    plan.frame(commandName(CommandId::ProgrammeType), decimalValue(CommandId::ProgrammeType, s.PTY));
    plan.pause(kFramePause);

    const std::array<qint16, 7> flags { s.TP, s.TA, s.MS, s.DId0, s.DId1, s.DId2, s.DId3 };
    for (std::size_t i = 0; i < flags.size(); ++i)
        reportedFrame(plan, kFlagFrames[i], decimalValue(kFlagFrames[i].id, flags[i]));

    result.afNum = countAfList(QStringList(input.afTexts.cbegin(), input.afTexts.cend()));
    reportedFrame(plan, kAfFrames[0], offsetValue(CommandId::AfCount, kAfCountCodeBase + result.afNum));
    // A code with no offset byte (only a damaged record holds one) goes out
    // as an empty value: wrapped round, it could land on a frame byte.
    for (std::size_t i = 0; i < s.AF.size(); ++i)
        reportedFrame(plan, kAfFrames[i + 1], offsetValue(CommandId::AlternativeFrequency, s.AF[i]));

    plan.openFrame(commandName(CommandId::RadioText));
    plan.report(QStringLiteral("Sending RT to RDS encoder... 0%"));
    plan.value(radioTextValue(s.RT));
    plan.closeFrame();
    plan.pause(kFramePause);

    plan.openFrame(commandName(CommandId::Label, 0));
    plan.report(QStringLiteral("Sending PS to RDS encoder..."), 18);
    plan.value(textValue(CommandId::Label, input.firstLabel));
    plan.closeFrame();
    plan.pause(kFramePause);

    reportedFrame(plan, { CommandId::ExtendedCountryCode, 0, "Sending ECC to RDS encoder... 90%", 19 },
        offsetValue(CommandId::ExtendedCountryCode, s.ECC), kLongPause);
    reportedFrame(plan, { CommandId::Save, 0, "Sending store settings command... 95%", 19 },
        decimalValue(CommandId::Save, 0), kLongPause);
    return result;
}

SettingsUpload SendSettings(const StationSettings &record)
{
    SettingsUploadInput input;
    input.settings = record;
    input.rdsActive = record.RDSActive;
    for (std::size_t i = 0; i < input.afTexts.size(); ++i)
        input.afTexts[i] = afEntryText(record.AF[i]);
    input.firstLabel = record.PS[0];
    return SendSettings(input);
}

} // namespace zorvan
