#include "link/board_state.h"

#include "link/clock_sync.h"
#include "link/command_vocabulary.h"
#include "link/encodings.h"
#include "link/wire_text.h"
#include "model/af_list.h"
#include "model/text_rules.h"

#include <QTimeZone>

#include <numeric>

namespace zorvan {

namespace {

constexpr char kCarriageReturn = 0x0D;
constexpr int kMaxDecimalDigits = 5;
constexpr int kMaxPiByte = 255;
constexpr int kMaxAfCode = 204;
constexpr int kEccSelectors = 5;
constexpr int kMaxDelay = 99;
constexpr int kMaxMode = 5;

// Programme-type names of the RDS standard for Europe (EN 50067, annex F).
constexpr std::array<const char *, 32> kPtyNames = {
    "None",
    "News",
    "Current Affairs",
    "Information",
    "Sport",
    "Education",
    "Drama",
    "Culture",
    "Science",
    "Varied",
    "Pop Music",
    "Rock Music",
    "Easy Listening",
    "Light Classical",
    "Serious Classical",
    "Other Music",
    "Weather",
    "Finance",
    "Children's programmes",
    "Social Affairs",
    "Religion",
    "Phone In",
    "Travel",
    "Leisure",
    "Jazz Music",
    "Country Music",
    "National Music",
    "Oldies Music",
    "Folk Music",
    "Documentary",
    "Alarm Test",
    "Alarm",
};

struct FlagCommand {
    CommandId id;
    bool BoardParameters::*field;
    const char *label;
};

constexpr std::array<FlagCommand, 4> kFlagCommands = { {
    { CommandId::Power, &BoardParameters::rdsOn, "RDS output" },
    { CommandId::TrafficProgramme, &BoardParameters::tp, "TP" },
    { CommandId::TrafficAnnouncement, &BoardParameters::ta, "TA" },
    { CommandId::MusicSpeech, &BoardParameters::ms, "MS" },
} };

const FlagCommand *findFlag(CommandId id)
{
    for (const FlagCommand &flag : kFlagCommands) {
        if (flag.id == id)
            return &flag;
    }
    return nullptr;
}

ApplyResult applied(const QString &detail)
{
    return { ApplyOutcome::Applied, detail };
}

ApplyResult badValue(const QString &detail)
{
    return { ApplyOutcome::BadValue, detail };
}

// DecimalText: ASCII digits only, no sign, no blank; leading zeros allowed.
std::optional<int> decimalDigits(QByteArrayView value)
{
    if (value.isEmpty() || value.size() > kMaxDecimalDigits)
        return std::nullopt;
    int number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

// OffsetBytes: exactly the entry's number of bytes, none below the bias.
struct OffsetQuantities {
    bool sized = false;
    int firstBelowBias = -1; // index of the first byte below the bias
    std::array<int, 3> quantities {};

    bool ok() const { return sized && firstBelowBias < 0; }
};

OffsetQuantities offsetQuantities(QByteArrayView value, int size)
{
    OffsetQuantities decoded;
    decoded.sized = value.size() == size && size <= int(decoded.quantities.size());
    if (!decoded.sized)
        return decoded;
    for (int i = 0; i < size; ++i) {
        const int quantity = static_cast<unsigned char>(value.at(i)) - kOffsetByteBias;
        if (quantity < 0 && decoded.firstBelowBias < 0)
            decoded.firstBelowBias = i;
        decoded.quantities[std::size_t(i)] = quantity;
    }
    return decoded;
}

// Text: a text ended by carriage returns is held without them.
QString wireText(const Command &command, QByteArrayView value)
{
    qsizetype end = value.size();
    while (command.carriageReturns && end > 0 && value.at(end - 1) == kCarriageReturn)
        --end;
    return fromWireText(value.first(end).toByteArray());
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

BoardParameters::BoardParameters()
{
    ps.fill(QString(kPsLabelLength, QLatin1Char(' ')));
}

ApplyResult BoardState::apply(const DecodedFrame &frame)
{
    return apply(frame.name, frame.value, frame.endMs);
}

ApplyResult BoardState::apply(QByteArrayView name, QByteArrayView value, qint64 atMs)
{
    const CommandMatch match = matchCommand(name);
    if (!match)
        return { ApplyOutcome::UnknownCommand, QStringLiteral("unknown command") };
    const Command &command = *match.command;
    switch (command.encoding) {
    case ValueEncoding::DecimalText:
        return applyNumber(command.id, match.index, decimalDigits(value), value, atMs);
    case ValueEncoding::OffsetBytes:
        return applyQuantities(command.id, match.index, value, atMs);
    case ValueEncoding::Text:
        if (value.size() > command.size) {
            const QString what
                = command.id == CommandId::Label ? QStringLiteral("label") : QStringLiteral("text");
            return badValue(
                QStringLiteral("%1 of %2 bytes, at most %3").arg(what).arg(value.size()).arg(command.size));
        }
        return applyText(command.id, match.index, wireText(command, value), atMs);
    }
    return { ApplyOutcome::UnknownCommand, QStringLiteral("unknown command") };
}

ApplyResult BoardState::applyNumber(
    CommandId id, int index, std::optional<int> number, QByteArrayView value, qint64 atMs)
{
    const auto within = [&](int max) { return number && *number <= max ? number : std::nullopt; };
    // The flags and the DI bits take one digit: "01" is no flag.
    const auto bit = value.size() == 1 ? within(1) : std::nullopt;

    if (const FlagCommand *flag = findFlag(id)) {
        if (!bit)
            return badValue(QStringLiteral("%1 takes 0 or 1").arg(QString::fromLatin1(commandName(id))));
        m_working.*flag->field = *bit == 1;
        return applied(QStringLiteral("%1 %2").arg(QLatin1String(flag->label), *bit ? "on" : "off"));
    }

    switch (id) {
    case CommandId::PiHigh:
    case CommandId::PiLow: {
        const auto byte = within(kMaxPiByte);
        if (!byte)
            return badValue(QStringLiteral("PI byte must be 0 to 255 in decimal digits"));
        (id == CommandId::PiHigh ? m_working.piHigh : m_working.piLow) = *byte;
        return applied(QStringLiteral("PI %1")
                           .arg(m_working.piHigh * 256 + m_working.piLow, 4, 16, QLatin1Char('0'))
                           .toUpper());
    }
    case CommandId::ProgrammeType: {
        const auto code = within(static_cast<int>(kPtyNames.size()) - 1);
        if (!code)
            return badValue(QStringLiteral("PTY must be 0 to 31"));
        m_working.pty = *code;
        return applied(QStringLiteral("PTY %1 %2").arg(*code).arg(ptyName(*code)));
    }
    case CommandId::DecoderId:
        if (!bit)
            return badValue(QStringLiteral("DI bits take 0 or 1"));
        m_working.di[std::size_t(index)] = *bit == 1;
        return applied(QStringLiteral("DI bit %1 = %2").arg(index).arg(*bit));
    case CommandId::LabelDelay:
        return applyDelay(index, within(kMaxDelay), atMs);
    case CommandId::Mode: {
        const auto mode = within(kMaxMode);
        if (!mode)
            return badValue(QStringLiteral("MODE must be 0 to 5"));
        m_working.mode = *mode;
        return applied(QStringLiteral("mode %1").arg(*mode));
    }
    case CommandId::Save:
        if (!bit || *bit != 0)
            return badValue(QStringLiteral("SAVE takes 0; nothing stored"));
        m_stored = m_working;
        ++m_saveCount;
        return applied(QStringLiteral("settings stored"));
    default:
        break;
    }
    return { ApplyOutcome::UnknownCommand, QStringLiteral("unknown command") };
}

ApplyResult BoardState::applyQuantities(CommandId id, int index, QByteArrayView value, qint64 atMs)
{
    const OffsetQuantities decoded = offsetQuantities(value, command(id).size);
    const int quantity = decoded.ok() ? decoded.quantities[0] : -1;
    switch (id) {
    case CommandId::AfCount: {
        const int count = quantity - kAfCountCodeBase;
        if (!decoded.ok() || count < 0 || count > kAfCount)
            return badValue(QStringLiteral("AF count byte must be %1 to %2")
                                .arg(kAfCountCodeBase + kOffsetByteBias)
                                .arg(kAfCountCodeBase + kAfCount + kOffsetByteBias));
        m_working.afCount = count;
        return applied(QStringLiteral("%1 alternative frequencies").arg(count));
    }
    case CommandId::AlternativeFrequency:
        if (!decoded.ok() || quantity > kMaxAfCode)
            return badValue(QStringLiteral("AF code byte must be %1 to %2")
                                .arg(kOffsetByteBias)
                                .arg(kMaxAfCode + kOffsetByteBias));
        m_working.afCodes[std::size_t(index - 1)] = quantity;
        return applied(QStringLiteral("AF%1 %2").arg(index).arg(
            quantity ? afFrequencyText(quantity) + " MHz" : QStringLiteral("none")));
    case CommandId::ExtendedCountryCode:
        if (!decoded.ok() || quantity < 1 || quantity > kEccSelectors)
            return badValue(QStringLiteral("ECC selector byte must be %1 to %2")
                                .arg(1 + kOffsetByteBias)
                                .arg(kEccSelectors + kOffsetByteBias));
        m_working.eccSelector = quantity;
        return applied(QStringLiteral("ECC E%1").arg(quantity - 1));
    case CommandId::Time:
    case CommandId::Date: {
        const QString name = QString::fromLatin1(commandName(id));
        if (!decoded.sized)
            return badValue(QStringLiteral("%1 takes %2 bytes").arg(name).arg(command(id).size));
        if (decoded.firstBelowBias >= 0)
            return badValue(QStringLiteral("byte %1 below the offset of %2")
                                .arg(decoded.firstBelowBias + 1)
                                .arg(kOffsetByteBias));
        return applyClock(id == CommandId::Time, decoded.quantities, atMs);
    }
    default:
        break;
    }
    return { ApplyOutcome::UnknownCommand, QStringLiteral("unknown command") };
}

ApplyResult BoardState::applyText(CommandId id, int index, const QString &text, qint64 atMs)
{
    switch (id) {
    case CommandId::RadioText:
        m_working.rt = text;
        return applied(QStringLiteral("radio text ") + quoted(text));
    case CommandId::Message:
        m_working.messages[std::size_t(index)] = text;
        return applied(QStringLiteral("message %1 ").arg(index) + quoted(text));
    case CommandId::Label:
        if (m_working.ps[std::size_t(index)] != text) {
            m_working.ps[std::size_t(index)] = text;
            m_rotationStartMs = atMs;
        }
        return applied(QStringLiteral("label %1 ").arg(index) + quoted(text));
    default:
        break;
    }
    return { ApplyOutcome::UnknownCommand, QStringLiteral("unknown command") };
}

ApplyResult BoardState::applyDelay(int index, std::optional<int> delay, qint64 atMs)
{
    if (!delay)
        return badValue(QStringLiteral("delay must be 0 to %1").arg(kMaxDelay));
    if (m_working.psDelay[index] != *delay) {
        m_working.psDelay[index] = *delay;
        m_rotationStartMs = atMs;
    }
    return applied(*delay ? QStringLiteral("label %1 shown for %2").arg(index).arg(*delay)
                          : QStringLiteral("label %1 switched off").arg(index));
}

ApplyResult BoardState::applyClock(bool isTime, const std::array<int, 3> &q, qint64 atMs)
{
    const std::optional<QDateTime> current = clockAt(atMs);
    if (isTime) {
        if (!QTime::isValid(q[0], q[1], q[2]))
            return badValue(QStringLiteral("no such time"));
        const QTime time(q[0], q[1], q[2]);
        const QDate date = current ? current->date() : QDate(kFirstClockYear, 1, 1);
        m_clockBase = QDateTime(date, time, QTimeZone::utc());
        m_clockBaseMs = atMs;
        return applied(QStringLiteral("clock ") + time.toString(QStringLiteral("HH:mm:ss")));
    }
    const int year = kFirstClockYear + q[0];
    if (!QDate::isValid(year, q[1], q[2]))
        return badValue(QStringLiteral("no such date"));
    const QDate date(year, q[1], q[2]);
    const QTime time = current ? current->time() : QTime(0, 0);
    m_clockBase = QDateTime(date, time, QTimeZone::utc());
    m_clockBaseMs = atMs;
    return applied(QStringLiteral("date ") + date.toString(Qt::ISODate));
}

std::optional<QDateTime> BoardState::clockAt(qint64 nowMs) const
{
    if (!m_clockBase)
        return std::nullopt;
    return m_clockBase->addMSecs(nowMs - m_clockBaseMs);
}

int BoardState::onAirLabel(qint64 nowMs) const
{
    const auto &delays = m_working.psDelay;
    const qint64 cycle = std::accumulate(delays.begin(), delays.end(), qint64(0)) * kDelayUnitMs;
    if (cycle == 0)
        return 0;
    qint64 position = std::max<qint64>(0, nowMs - m_rotationStartMs) % cycle;
    for (int i = 0; i < kLabelCount; ++i) {
        const qint64 span = delays[i] * kDelayUnitMs;
        if (position < span)
            return i;
        position -= span;
    }
    return 0;
}

ReceiverView BoardState::receiverView(qint64 nowMs) const
{
    ReceiverView view;
    view.clock = clockAt(nowMs);
    view.mode = m_working.mode;
    view.stored = !changedSinceSave();
    view.ps = QString(kPsLabelLength, QLatin1Char(' '));
    view.rdsOn = m_working.rdsOn;
    if (!view.rdsOn)
        return view;

    const BoardParameters &p = m_working;
    view.labelIndex = onAirLabel(nowMs);
    view.ps = FitPsLabel(p.ps[view.labelIndex]);
    view.labelDelay = p.psDelay[view.labelIndex];
    view.rt = p.rt;
    view.pi = QStringLiteral("%1").arg(p.piHigh * 256 + p.piLow, 4, 16, QLatin1Char('0')).toUpper();
    view.pty = p.pty;
    view.ptyName = ptyName(p.pty);
    view.tp = p.tp;
    view.ta = p.ta;
    view.ms = p.ms;
    view.di = p.di;
    if (p.eccSelector > 0)
        view.ecc = QStringLiteral("E%1").arg(p.eccSelector - 1);
    for (int i = 0; i < p.afCount; ++i) {
        if (p.afCodes[i] > 0)
            view.afMhz << afFrequencyText(p.afCodes[i]);
    }
    return view;
}

QString ptyName(int code)
{
    if (code < 0 || code >= static_cast<int>(kPtyNames.size()))
        return QString();
    return QString::fromLatin1(kPtyNames[code]);
}

QString afFrequencyText(int code)
{
    if (code < 1 || code > kMaxAfCode)
        return QString();
    // RDS AF code n stands for 87.5 MHz + n × 100 kHz (EN 50067, 3.2.1.6.1).
    const int tenths = 875 + code;
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

} // namespace zorvan
