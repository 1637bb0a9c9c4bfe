#pragma once

#include "link/command_vocabulary.h"
#include "link/frame_decoder.h"
#include "model/station_settings.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace zorvan {

// What the board keeps in its working memory, and what SAVE stores.
// Texts are held as they arrived (decoded from Windows-1252), with the
// trailing carriage returns of radio text and messages removed.
struct BoardParameters {
    bool rdsOn = false;
    int piHigh = 0; // CCAC: country code and area coverage
    int piLow = 0; // PREF: programme reference
    int pty = 0;
    bool tp = false;
    bool ta = false;
    bool ms = false;
    std::array<bool, 4> di {};
    int afCount = 0; // from AF0
    std::array<int, kAfCount> afCodes {}; // AF1..AF7, 0 = none
    int eccSelector = 0; // 1..5 for E0..E4, 0 = never received
    QString rt;
    std::array<QString, kLabelCount> ps;
    std::array<int, kLabelCount> psDelay {};
    std::array<QString, kMessageCount> messages;
    int mode = 0;

    BoardParameters();
    bool operator==(const BoardParameters &) const = default;
};

enum class ApplyOutcome { Applied, UnknownCommand, BadValue };

struct ApplyResult {
    ApplyOutcome outcome = ApplyOutcome::Applied;
    QString detail; // what was set, or what is wrong with the frame
};

// What a receiver tuned to the board would show at a given moment.
struct ReceiverView {
    bool rdsOn = false;
    int labelIndex = -1; // label on air, -1 while RDS is off
    QString ps; // always 8 characters
    int labelDelay = 0;
    QString rt;
    QString pi; // four hexadecimal digits
    int pty = 0;
    QString ptyName;
    bool tp = false;
    bool ta = false;
    bool ms = false;
    std::array<bool, 4> di {};
    QString ecc; // "E0".."E4", empty when never received
    QStringList afMhz; // "100.0", in list order
    std::optional<QDateTime> clock;
    int mode = 0;
    bool stored = true; // working memory equals what SAVE stored last
};

// The board model behind zorvan-sim: applies decoded frames to the working
// memory, keeps the stored copy that SAVE writes, runs the board clock
// from TIME and DATE, and steps through the labels by their delays.
class BoardState {
public:
    // One delay step keeps a label on air for one second.
    static constexpr qint64 kDelayUnitMs = 1000;

    ApplyResult apply(const DecodedFrame &frame);
    ApplyResult apply(QByteArrayView name, QByteArrayView value, qint64 atMs);

    const BoardParameters &working() const { return m_working; }
    const BoardParameters &stored() const { return m_stored; }
    bool changedSinceSave() const { return m_working != m_stored; }
    int saveCount() const { return m_saveCount; }

    // The board clock, running on from the last TIME or DATE; empty until
    // one of them has arrived.
    std::optional<QDateTime> clockAt(qint64 nowMs) const;

    // Label on air: the labels with a delay above 0 take turns, in number
    // order, each for delay × kDelayUnitMs, starting again after the last
    // one. The turn starts over at label 0 whenever the list changes.
    // Without any such label, label 0 stays on air.
    int onAirLabel(qint64 nowMs) const;

    ReceiverView receiverView(qint64 nowMs) const;

private:
    ApplyResult applyNumber(
        CommandId id, int index, std::optional<int> number, QByteArrayView value, qint64 atMs);
    ApplyResult applyQuantities(CommandId id, int index, QByteArrayView value, qint64 atMs);
    ApplyResult applyText(CommandId id, int index, const QString &text, qint64 atMs);
    ApplyResult applyDelay(int index, std::optional<int> delay, qint64 atMs);
    ApplyResult applyClock(bool isTime, const std::array<int, 3> &quantities, qint64 atMs);

    BoardParameters m_working;
    BoardParameters m_stored;
    int m_saveCount = 0;
    qint64 m_rotationStartMs = 0;
    std::optional<QDateTime> m_clockBase;
    qint64 m_clockBaseMs = 0;
};

// RDS programme-type name as a European receiver shows it.
QString ptyName(int code);

// RDS alternative-frequency code 1..204 as MHz with one decimal, "100.0".
QString afFrequencyText(int code);

} // namespace zorvan
