#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace zorvan {

// One step of a transmission plan. Senders build plans; EncoderLink runs
// them on a port. Keeping the plan as data lets tests compare every byte,
// report and pause without waiting for the pauses.
struct Step {
    enum class Kind { Write, Report, Pause, FrameGap };

    Kind kind = Kind::Write;
    QByteArray bytes; // Write
    QString text; // Report: status-bar text
    std::optional<double> progress; // Report: progress-bar value, if any
    int milliseconds = 0; // Pause

    static Step write(QByteArray bytes);
    static Step report(QString text, std::optional<double> progress = std::nullopt);
    static Step pause(int milliseconds);
    static Step frameGap();

    bool operator==(const Step &) const = default;
};

class Transmission {
public:
    // Frame pieces: 0x00 name 0x01 ... value ... 0x02.
    void openFrame(const QByteArray &name); // 0x00, name, 0x01
    void value(const QByteArray &bytes); // value bytes
    void closeFrame(); // 0x02
    void frame(const QByteArray &name, const QByteArray &value);

    void write(const QByteArray &bytes);
    void report(const QString &text, std::optional<double> progress = std::nullopt);
    void pause(int milliseconds);
    void frameGap();

    const std::vector<Step> &steps() const { return m_steps; }
    bool isEmpty() const { return m_steps.empty(); }

    // Everything the plan writes, in order.
    QByteArray bytes() const;
    // Sum of all pauses in milliseconds.
    int totalPauseMs() const;

    bool operator==(const Transmission &) const = default;

private:
    std::vector<Step> m_steps;
};

} // namespace zorvan
