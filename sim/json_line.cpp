#include "json_line.h"

#include "link/wire_text.h"

namespace zorvan::sim {

JsonLine &JsonLine::add(const char *key, const QString &value)
{
    return addRaw(key, jsonString(value));
}

JsonLine &JsonLine::add(const char *key, qint64 value)
{
    return addRaw(key, QByteArray::number(value));
}

JsonLine &JsonLine::add(const char *key, bool value)
{
    return addRaw(key, value ? "true" : "false");
}

JsonLine &JsonLine::addRaw(const char *key, const QByteArray &json)
{
    addKey(key);
    m_body += json;
    return *this;
}

void JsonLine::addKey(const char *key)
{
    if (!m_body.isEmpty())
        m_body += ',';
    m_body += '"' + QByteArray(key) + "\":";
}

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u == '\n') {
            out += "\\n";
        } else if (u == '\r') {
            out += "\\r";
        } else if (u == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0')).toLatin1();
        } else {
            out += QString(c).toUtf8();
        }
    }
    return out + '"';
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

namespace {

QByteArray stringArray(const auto &texts)
{
    QByteArray out = "[";
    for (const QString &text : texts) {
        if (out.size() > 1)
            out += ',';
        out += jsonString(text);
    }
    return out + ']';
}

QByteArray numberArray(const auto &numbers)
{
    QByteArray out = "[";
    for (const auto n : numbers) {
        if (out.size() > 1)
            out += ',';
        out += QByteArray::number(qint64(n));
    }
    return out + ']';
}

} // namespace

QString outcomeName(ApplyOutcome outcome)
{
    switch (outcome) {
    case ApplyOutcome::Applied:
        return QStringLiteral("ok");
    case ApplyOutcome::UnknownCommand:
        return QStringLiteral("unknown command");
    case ApplyOutcome::BadValue:
        return QStringLiteral("bad value");
    }
    return QString();
}

QByteArray frameLine(const DecodedFrame &frame, const ApplyResult &result)
{
    return JsonLine()
        .add("t_ms", frame.endMs)
        .add("start_ms", frame.startMs)
        .add("command", QString::fromLatin1(frame.name))
        .add("value", fromWireText(frame.value))
        .add("hex", hexBytes(frame.value))
        .add("status", outcomeName(result.outcome))
        .add("detail", result.detail)
        .text();
}

QByteArray strayLine(const StrayBytes &stray)
{
    return JsonLine()
        .add("t_ms", stray.startMs)
        .add("garbage_hex", hexBytes(stray.bytes))
        .add("reason", strayReasonName(stray.reason))
        .text();
}

QByteArray stateLine(const BoardState &board, qint64 nowMs)
{
    const BoardParameters &p = board.working();
    const std::optional<QDateTime> clock = board.clockAt(nowMs);
    const QByteArray state
        = JsonLine()
              .add("rds", p.rdsOn)
              .add(
                  "pi", QStringLiteral("%1").arg(p.piHigh * 256 + p.piLow, 4, 16, QLatin1Char('0')).toUpper())
              .add("pty", qint64(p.pty))
              .add("tp", p.tp)
              .add("ta", p.ta)
              .add("ms", p.ms)
              .addRaw("di", numberArray(p.di))
              .add("af_count", qint64(p.afCount))
              .addRaw("af_codes", numberArray(p.afCodes))
              .add("ecc", p.eccSelector > 0 ? QStringLiteral("E%1").arg(p.eccSelector - 1) : QString())
              .add("rt", p.rt)
              .addRaw("ps", stringArray(p.ps))
              .addRaw("pd", numberArray(p.psDelay))
              .addRaw("mg", stringArray(p.messages))
              .add("mode", qint64(p.mode))
              .addRaw("clock",
                  clock ? jsonString(clock->toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))) : "null")
              .add("on_air", qint64(board.receiverView(nowMs).labelIndex))
              .add("stored", !board.changedSinceSave())
              .add("saves", qint64(board.saveCount()))
              .text();
    return JsonLine().add("t_ms", nowMs).addRaw("state", state).text();
}

QByteArray readyLine(const QString &link, const QString &device, int baud)
{
    return JsonLine()
        .add("t_ms", qint64(0))
        .add("ready", true)
        .add("link", link)
        .add("device", device)
        .add("baud", qint64(baud))
        .text();
}

} // namespace zorvan::sim
