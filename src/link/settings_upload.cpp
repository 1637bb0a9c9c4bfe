#include "link/settings_upload.h"

#include "link/encodings.h"
#include "link/wire_text.h"
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
    QByteArray bytes = toWireText(rt).left(kLongTextLength);
    bytes.append(QByteArray(kLongTextLength - bytes.size(), kCarriageReturn));
    return bytes;
}

struct FlagFrame {
    const char *command;
    const char *status;
    int step;
};

// Reports made inside the frames of the flags and the AF list, after the
// separator and before the value.
constexpr std::array<FlagFrame, 7> kFlagFrames { {
    { "TP", "Sending TP to RDS encoder... 30%", 4 },
    { "TA", "Sending TA to RDS encoder... 35%", 5 },
    { "MS", "Sending MS to RDS encoder... 40%", 6 },
    { "Did0", "Sending DID0 to RDS encoder... 45%", 7 },
    { "Did1", "Sending DID1 to RDS encoder... 47%", 7 },
    { "Did2", "Sending DID2 to RDS encoder... 49%", 7 },
    { "Did3", "Sending DID3 to RDS encoder... 52%", 8 },
} };

constexpr std::array<FlagFrame, kAfCount + 1> kAfFrames { {
    { "AF0", "Sending AF0 to RDS encoder... 55%", 8 },
    { "AF1", "Sending AF1 to RDS encoder... 57%", 12 },
    { "AF2", "Sending AF2 to RDS encoder... 60%", 13 },
    { "AF3", "Sending AF3 to RDS encoder... 65%", 14 },
    { "AF4", "Sending AF4 to RDS encoder... 70%", 15 },
    { "AF5", "Sending AF5 to RDS encoder... 75%", 16 },
    { "AF6", "Sending AF6 to RDS encoder... 80%", 17 },
    { "AF7", "Sending AF7 to RDS encoder... 85%", 18 },
} };

void reportedFrame(
    Transmission &plan, const FlagFrame &frame, const QByteArray &value, int pauseMs = kFramePause)
{
    plan.openFrame(frame.command);
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
    plan.openFrame("PWR");
    plan.report(QStringLiteral("Sending PWR to RDS encoder... 15%"));
    plan.value(input.rdsActive ? "1" : "0");
    plan.closeFrame();
    plan.pause(kFramePause);

    plan.report(QStringLiteral("Sending settings to RDS encoder... 10%"), 1);
    plan.openFrame("CCAC");
    plan.report(QStringLiteral("Sending CCAC to RDS encoder... 15%"));
    plan.value(DecimalText(s.CountryCode * 16 + s.AreaCoverage, 3));
    plan.closeFrame();
    plan.pause(kFramePause);

    plan.report(QStringLiteral("Sending PI to RDS encoder... 20%"), 2);
    plan.frame("PREF", DecimalText(s.ProgramReference, 3));
    plan.pause(kFramePause);

    plan.report(QStringLiteral("Sending PTY to RDS encoder... 25%"), 3);
    plan.frame("PTY", DecimalText(s.PTY, 2));
    plan.pause(kFramePause);

    const std::array<qint16, 7> flags { s.TP, s.TA, s.MS, s.DId0, s.DId1, s.DId2, s.DId3 };
    for (std::size_t i = 0; i < flags.size(); ++i)
        reportedFrame(plan, kFlagFrames[i], DecimalText(flags[i]));

    result.afNum = countAfList(QStringList(input.afTexts.cbegin(), input.afTexts.cend()));
    reportedFrame(plan, kAfFrames[0], OffsetByte(kAfCountCodeBase + result.afNum));
    // A code with no offset byte (only a damaged record holds one) goes out
    // as an empty value: wrapped round, it could land on a frame byte.
    for (std::size_t i = 0; i < s.AF.size(); ++i)
        reportedFrame(plan, kAfFrames[i + 1], OffsetByte(s.AF[i]));

    plan.openFrame("RT");
    plan.report(QStringLiteral("Sending RT to RDS encoder... 0%"));
    plan.value(radioTextValue(s.RT));
    plan.closeFrame();
    plan.pause(kFramePause);

    plan.openFrame("PS00");
    plan.report(QStringLiteral("Sending PS to RDS encoder..."), 18);
    plan.value(toWireText(input.firstLabel).left(kPsLabelLength));
    plan.closeFrame();
    plan.pause(kFramePause);

    reportedFrame(plan, { "ECC", "Sending ECC to RDS encoder... 90%", 19 }, OffsetByte(s.ECC), kLongPause);
    reportedFrame(plan, { "SAVE", "Sending store settings command... 95%", 19 }, "0", kLongPause);
    return result;
}

} // namespace zorvan
