#pragma once

#include "link/transmission.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zorvan::test {

// A plan written out one line per event, with adjacent writes joined, so
// that a test can compare what a builder produced with a table written by
// hand without caring how the builder split its writes. QCOMPARE on the
// two lists names the first line that differs.
QStringList planLines(const Transmission &plan);

// The hand-written side of that comparison. It knows nothing of frames:
// the test spells every byte itself.
class PlanScript {
public:
    PlanScript &write(const QByteArray &bytes);
    PlanScript &report(const QString &text, std::optional<double> progress = std::nullopt);
    PlanScript &pause(int milliseconds);
    PlanScript &frameGap();

    QStringList lines() const;
    QByteArray bytes() const { return m_bytes; }
    int totalPauseMs() const { return m_totalPause; }

private:
    void flushWrite();

    QStringList m_lines;
    QByteArray m_pending;
    QByteArray m_bytes;
    int m_totalPause = 0;
};

// Printable form of wire bytes: ASCII as it is, anything else as \xHH.
QString escapedBytes(const QByteArray &bytes);

} // namespace zorvan::test
