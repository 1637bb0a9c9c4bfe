#include "content/programme_text_upload.h"

#include "content/label_frames.h"
#include "link/command_vocabulary.h"
#include "model/text_rules.h"

namespace zorvan {

namespace {

constexpr int kFramePause = 100;
constexpr int kLongPause = 200;

struct MessageStep {
    int percent;
    int pauseMs;
};

// The percent figures of the message reports are fixed; they do not follow
// the progress bar, which stays at 1 for all eight messages.
constexpr std::array<MessageStep, kMessageCount> kMessageSteps { {
    { 10, kFramePause },
    { 20, kFramePause },
    { 30, kFramePause },
    { 40, kFramePause },
    { 50, kFramePause },
    { 65, kLongPause },
    { 80, kLongPause },
    { 90, kLongPause },
} };

// One carriage return, then the cut: a message of 64 characters or more
// goes out without its terminator. Counted in wire bytes so the value is
// never longer than the board's 64.
QByteArray messageValue(const QString &text)
{
    const QByteArray bytes = textValue(CommandId::Message, withoutLeadingBlanks(text));
    return (bytes + '\r').left(command(CommandId::Message).size);
}

void sendFrame(Transmission &plan, const QByteArray &name, const QString &status, double progress,
    const QByteArray &value, int pauseMs)
{
    plan.openFrame(name);
    plan.report(status, progress);
    plan.value(value);
    plan.closeFrame();
    plan.pause(pauseMs);
}

} // namespace

Transmission SendRtAndPs(const ProgrammeTextSnapshot &snapshot)
{
    Transmission plan;
    sendFrame(plan, commandName(CommandId::RadioText), QStringLiteral("Sending RT to RDS encoder... 0%"), 1,
        radioTextUploadValue(snapshot.RT), kFramePause);

    for (int k = 0; k < kMessageCount; ++k) {
        const MessageStep &step = kMessageSteps[static_cast<std::size_t>(k)];
        sendFrame(plan, commandName(CommandId::Message, k),
            QStringLiteral("Sending Message %1 to RDS encoder... %2%").arg(k).arg(step.percent), 1,
            messageValue(snapshot.MG[static_cast<std::size_t>(k)]), step.pauseMs);
    }

    for (int i = 0; i < kLabelCount; ++i)
        sendFrame(plan, labelCommand(i), labelStatusText(i), labelProgress(i),
            textValue(CommandId::Label, snapshot.labels[static_cast<std::size_t>(i)]), kFramePause);

    for (int i = 0; i < kLabelCount; ++i)
        sendFrame(plan, delayCommand(i), delayStatusText(i), delayProgress(i),
            textValue(
                CommandId::LabelDelay, withoutLeadingBlanks(snapshot.delays[static_cast<std::size_t>(i)])),
            kFramePause);

    // The board is given extra time after the last delay before it stores.
    plan.pause(kLongPause);
    sendFrame(plan, commandName(CommandId::Save), QStringLiteral("Sending store settings command... 95%"), 19,
        decimalValue(CommandId::Save, 0), kLongPause);
    return plan;
}

} // namespace zorvan
