#include "link/transmission.h"

#include <utility>

namespace zorvan {

Step Step::write(QByteArray bytes)
{
    Step s;
    s.kind = Kind::Write;
    s.bytes = std::move(bytes);
    return s;
}

Step Step::report(QString text, std::optional<double> progress)
{
    Step s;
    s.kind = Kind::Report;
    s.text = std::move(text);
    s.progress = progress;
    return s;
}

Step Step::pause(int milliseconds)
{
    Step s;
    s.kind = Kind::Pause;
    s.milliseconds = milliseconds;
    return s;
}

Step Step::frameGap()
{
    Step s;
    s.kind = Kind::FrameGap;
    return s;
}

void Transmission::openFrame(const QByteArray &name)
{
    QByteArray head;
    head.reserve(name.size() + 2);
    head.append('\x00');
    head.append(name);
    head.append('\x01');
    write(head);
}

void Transmission::value(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        write(bytes);
}

void Transmission::closeFrame()
{
    write(QByteArray(1, '\x02'));
}

void Transmission::frame(const QByteArray &name, const QByteArray &value)
{
    openFrame(name);
    this->value(value);
    closeFrame();
}

void Transmission::write(const QByteArray &bytes)
{
    m_steps.push_back(Step::write(bytes));
}

void Transmission::report(const QString &text, std::optional<double> progress)
{
    m_steps.push_back(Step::report(text, progress));
}

void Transmission::pause(int milliseconds)
{
    m_steps.push_back(Step::pause(milliseconds));
}

void Transmission::frameGap()
{
    m_steps.push_back(Step::frameGap());
}

QByteArray Transmission::bytes() const
{
    QByteArray all;
    for (const Step &s : m_steps) {
        if (s.kind == Step::Kind::Write)
            all.append(s.bytes);
    }
    return all;
}

int Transmission::totalPauseMs() const
{
    int total = 0;
    for (const Step &s : m_steps) {
        if (s.kind == Step::Kind::Pause)
            total += s.milliseconds;
    }
    return total;
}

} // namespace zorvan
