#include "plan_script.h"

namespace zorvan::test {

namespace {

QString writeLine(const QByteArray &bytes)
{
    return QStringLiteral("write ") + escapedBytes(bytes);
}

QString reportLine(const QString &text, std::optional<double> progress)
{
    QString line = QStringLiteral("report \"%1\"").arg(text);
    if (progress)
        line += QStringLiteral(" step %1").arg(QString::number(*progress, 'g', 6));
    return line;
}

QString pauseLine(int milliseconds)
{
    return QStringLiteral("pause %1").arg(milliseconds);
}

} // namespace

QString escapedBytes(const QByteArray &bytes)
{
    QString out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
    }
    return out;
}

QStringList planLines(const Transmission &plan)
{
    QStringList lines;
    QByteArray pending;
    auto flush = [&] {
        if (!pending.isEmpty())
            lines << writeLine(pending);
        pending.clear();
    };
    for (const Step &step : plan.steps()) {
        switch (step.kind) {
        case Step::Kind::Write:
            pending += step.bytes;
            break;
        case Step::Kind::Report:
            flush();
            lines << reportLine(step.text, step.progress);
            break;
        case Step::Kind::Pause:
            flush();
            lines << pauseLine(step.milliseconds);
            break;
        case Step::Kind::FrameGap:
            flush();
            lines << QStringLiteral("frame gap");
            break;
        }
    }
    flush();
    return lines;
}

PlanScript &PlanScript::write(const QByteArray &bytes)
{
    m_pending += bytes;
    m_bytes += bytes;
    return *this;
}

PlanScript &PlanScript::report(const QString &text, std::optional<double> progress)
{
    flushWrite();
    m_lines << reportLine(text, progress);
    return *this;
}

PlanScript &PlanScript::pause(int milliseconds)
{
    flushWrite();
    m_lines << pauseLine(milliseconds);
    m_totalPause += milliseconds;
    return *this;
}

PlanScript &PlanScript::frameGap()
{
    flushWrite();
    m_lines << QStringLiteral("frame gap");
    return *this;
}

void PlanScript::flushWrite()
{
    if (!m_pending.isEmpty())
        m_lines << writeLine(m_pending);
    m_pending.clear();
}

QStringList PlanScript::lines() const
{
    QStringList all = m_lines;
    if (!m_pending.isEmpty())
        all << writeLine(m_pending);
    return all;
}

} // namespace zorvan::test
