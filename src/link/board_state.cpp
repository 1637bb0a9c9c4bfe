#include "link/board_state.h"

#include "link/wire_text.h"
#include "model/text_rules.h"

#include <QTimeZone>

#include <numeric>

namespace zorvan {

namespace {

constexpr int kOffset = 4;
constexpr char kCarriageReturn = 0x0D;
constexpr int kMaxDecimalDigits = 5;
constexpr int kAfCountBase = 224;
constexpr int kMaxAfCode = 204;
constexpr int kEccSelectors = 5;
constexpr int kMaxDelay = 99;
constexpr int kMaxMode = 5;
constexpr int kYearBase = 2000; // the year byte is years since 2004 plus the offset of 4

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
    const char *name;
    bool BoardParameters::*field;
    const char *label;
};

constexpr std::array<FlagCommand, 4> kFlagCommands = { {
    { "PWR", &BoardParameters::rdsOn, "RDS output" },
    { "TP", &BoardParameters::tp, "TP" },
    { "TA", &BoardParameters::ta, "TA" },
    { "MS", &BoardParameters::ms, "MS" },
} };

ApplyResult applied(const QString &detail)
{
    return { ApplyOutcome::Applied, detail };
}

ApplyResult badValue(const QString &detail)
{
    return { ApplyOutcome::BadValue, detail };
}

// DecimalText: ASCII digits only, no sign, no blank; leading zeros allowed.
std::optional<int> decimalText(QByteArrayView value, int max)
{
    if (value.isEmpty() || value.size() > kMaxDecimalDigits)
        return std::nullopt;
    int number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number > max)
        return std::nullopt;
    return number;
}

std::optional<int> offsetByte(QByteArrayView value, int index = 0)
{
    const int quantity = static_cast<unsigned char>(value.at(index)) - kOffset;
    if (quantity < 0)
        return std::nullopt;
    return quantity;
}

// Two decimal digits after a two-letter prefix: "PS07" is 7.
std::optional<int> numberedCommand(QByteArrayView name, QByteArrayView prefix)
{
    if (name.size() != prefix.size() + 2 || !name.startsWith(prefix))
        return std::nullopt;
    return decimalText(name.sliced(prefix.size()), kLabelCount - 1);
}

QString longText(QByteArrayView value)
{
    qsizetype end = value.size();
    while (end > 0 && value.at(end - 1) == kCarriageReturn)
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
    for (const FlagCommand &flag : kFlagCommands) {
        if (name != flag.name)
            continue;
        const auto bit = decimalText(value, 1);
        if (!bit || value.size() != 1)
            return badValue(QStringLiteral("%1 takes 0 or 1").arg(QLatin1String(flag.name)));
        m_working.*flag.field = *bit == 1;
        return applied(QStringLiteral("%1 %2").arg(QLatin1String(flag.label), *bit ? "on" : "off"));
    }

    if (name == "CCAC" || name == "PREF") {
        const auto byte = decimalText(value, 255);
        if (!byte)
            return badValue(QStringLiteral("PI byte must be 0 to 255 in decimal digits"));
        int &field = name == "CCAC" ? m_working.piHigh : m_working.piLow;
        field = *byte;
        return applied(QStringLiteral("PI %1")
                           .arg(m_working.piHigh * 256 + m_working.piLow, 4, 16, QLatin1Char('0'))
                           .toUpper());
    }

    if (name == "PTY") {
        const auto code = decimalText(value, static_cast<int>(kPtyNames.size()) - 1);
        if (!code)
            return badValue(QStringLiteral("PTY must be 0 to 31"));
        m_working.pty = *code;
        return applied(QStringLiteral("PTY %1 %2").arg(*code).arg(ptyName(*code)));
    }

    if (name.size() == 4 && name.startsWith("Did") && name.at(3) >= '0' && name.at(3) <= '3') {
        const int index = name.at(3) - '0';
        const auto bit = decimalText(value, 1);
        if (!bit || value.size() != 1)
            return badValue(QStringLiteral("DI bits take 0 or 1"));
        m_working.di[index] = *bit == 1;
        return applied(QStringLiteral("DI bit %1 = %2").arg(index).arg(*bit));
    }

    if (name.size() == 3 && name.startsWith("AF") && name.at(2) >= '0' && name.at(2) <= '7') {
        const int slot = name.at(2) - '0';
        const auto quantity = value.size() == 1 ? offsetByte(value) : std::nullopt;
        if (slot == 0) {
            const int count = quantity.value_or(-1) - kAfCountBase;
            if (count < 0 || count > kAfCount)
                return badValue(QStringLiteral("AF count byte must be 228 to 235"));
            m_working.afCount = count;
            return applied(QStringLiteral("%1 alternative frequencies").arg(count));
        }
        if (!quantity || *quantity > kMaxAfCode)
            return badValue(QStringLiteral("AF code byte must be 4 to 208"));
        m_working.afCodes[slot - 1] = *quantity;
        return applied(QStringLiteral("AF%1 %2").arg(slot).arg(
            *quantity ? afFrequencyText(*quantity) + " MHz" : QStringLiteral("none")));
    }

    if (name == "ECC") {
        const auto selector = value.size() == 1 ? offsetByte(value) : std::nullopt;
        if (!selector || *selector < 1 || *selector > kEccSelectors)
            return badValue(QStringLiteral("ECC selector byte must be 5 to 9"));
        m_working.eccSelector = *selector;
        return applied(QStringLiteral("ECC E%1").arg(*selector - 1));
    }

    if (name == "RT"
        || (name.size() == 3 && name.startsWith("MG") && name.at(2) >= '0' && name.at(2) <= '7')) {
        if (value.size() > kLongTextLength)
            return badValue(
                QStringLiteral("text of %1 bytes, at most %2").arg(value.size()).arg(kLongTextLength));
        const QString text = longText(value);
        if (name == "RT") {
            m_working.rt = text;
            return applied(QStringLiteral("radio text ") + quoted(text));
        }
        const int index = name.at(2) - '0';
        m_working.messages[index] = text;
        return applied(QStringLiteral("message %1 ").arg(index) + quoted(text));
    }

    if (const auto index = numberedCommand(name, "PS"))
        return applyLabel(*index, value, atMs);
    if (const auto index = numberedCommand(name, "PD"))
        return applyDelay(*index, value, atMs);

    if (name == "TIME" || name == "DATE")
        return applyClock(name == "TIME", value, atMs);

    if (name == "MODE") {
        const auto mode = decimalText(value, kMaxMode);
        if (!mode)
            return badValue(QStringLiteral("MODE must be 0 to 5"));
        m_working.mode = *mode;
        return applied(QStringLiteral("mode %1").arg(*mode));
    }

    if (name == "SAVE") {
        if (value != "0")
            return badValue(QStringLiteral("SAVE takes 0; nothing stored"));
        m_stored = m_working;
        ++m_saveCount;
        return applied(QStringLiteral("settings stored"));
    }

    return { ApplyOutcome::UnknownCommand, QStringLiteral("unknown command") };
}

ApplyResult BoardState::applyLabel(int index, QByteArrayView value, qint64 atMs)
{
    if (value.size() > kPsLabelLength)
        return badValue(
            QStringLiteral("label of %1 bytes, at most %2").arg(value.size()).arg(kPsLabelLength));
    const QString text = fromWireText(value.toByteArray());
    if (m_working.ps[index] != text) {
        m_working.ps[index] = text;
        m_rotationStartMs = atMs;
    }
    return applied(QStringLiteral("label %1 ").arg(index) + quoted(text));
}

ApplyResult BoardState::applyDelay(int index, QByteArrayView value, qint64 atMs)
{
    const auto delay = decimalText(value, kMaxDelay);
    if (!delay)
        return badValue(QStringLiteral("delay must be 0 to %1").arg(kMaxDelay));
    if (m_working.psDelay[index] != *delay) {
        m_working.psDelay[index] = *delay;
        m_rotationStartMs = atMs;
    }
    return applied(*delay ? QStringLiteral("label %1 shown for %2").arg(index).arg(*delay)
                          : QStringLiteral("label %1 switched off").arg(index));
}

ApplyResult BoardState::applyClock(bool isTime, QByteArrayView value, qint64 atMs)
{
    if (value.size() != 3)
        return badValue(QStringLiteral("%1 takes 3 bytes").arg(isTime ? "TIME" : "DATE"));
    std::array<int, 3> q {};
    for (int i = 0; i < 3; ++i) {
        const auto quantity = offsetByte(value, i);
        if (!quantity)
            return badValue(QStringLiteral("byte %1 below the offset of 4").arg(i + 1));
        q[i] = *quantity;
    }
    const std::optional<QDateTime> current = clockAt(atMs);
    if (isTime) {
        if (!QTime::isValid(q[0], q[1], q[2]))
            return badValue(QStringLiteral("no such time"));
        const QTime time(q[0], q[1], q[2]);
        const QDate date = current ? current->date() : QDate(kYearBase + kOffset, 1, 1);
        m_clockBase = QDateTime(date, time, QTimeZone::utc());
        m_clockBaseMs = atMs;
        return applied(QStringLiteral("clock ") + time.toString(QStringLiteral("HH:mm:ss")));
    }
    const int year = kYearBase + kOffset + q[0];
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
