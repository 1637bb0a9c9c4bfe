#pragma once

#include "link/board_state.h"
#include "link/frame_decoder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdio>

namespace zorvan::sim {

// The board's brain: decodes what arrives, applies it to the board model
// and writes one JSON line per frame or per run of stray bytes.
class SimSession : public QObject {
    Q_OBJECT

public:
    // A frame whose bytes stop for this long is given up as not closed;
    // the driver's longest pause inside a frame is 200 ms.
    static constexpr int kQuietMs = 1000;

    explicit SimSession(std::FILE *out, QObject *parent = nullptr);

    qint64 nowMs() const { return m_clock.elapsed(); }
    const BoardState &board() const { return m_board; }

    void receive(const QByteArray &bytes);
    // Hands out whatever the decoder still holds (used when the line goes quiet).
    void finishInput();
    void writeState();
    void writeLine(const QByteArray &line);

signals:
    // A one-line summary of each frame or stray run, for the receiver window.
    void logged(const QString &summary);

private:
    void handle(std::vector<DecoderEvent> events);

    std::FILE *m_out;
    QElapsedTimer m_clock;
    FrameDecoder m_decoder;
    BoardState m_board;
    QTimer m_quiet;
};

} // namespace zorvan::sim
