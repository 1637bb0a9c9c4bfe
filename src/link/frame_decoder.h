#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <variant>
#include <vector>

namespace zorvan {

// One complete command as it arrived: 0x00, name, 0x01, value, 0x02.
struct DecodedFrame {
    QByteArray name;
    QByteArray value;
    qint64 startMs = 0; // when the 0x00 arrived
    qint64 endMs = 0; // when the 0x02 arrived

    bool operator==(const DecodedFrame &) const = default;
};

// Why bytes ended up outside any frame.
enum class StrayReason {
    OutsideFrame, // bytes before, between or after frames
    Restarted, // a 0x00 arrived inside a frame and started a new one
    BadName, // a name byte that is not a letter or digit, or a name not 2..4 long
    Overlong, // the value grew past FrameDecoder::kMaxValueBytes
    Unclosed, // the line went quiet (or ended) inside a frame
};

QString strayReasonName(StrayReason reason);

struct StrayBytes {
    QByteArray bytes;
    StrayReason reason = StrayReason::OutsideFrame;
    qint64 startMs = 0; // when the first of the bytes arrived

    bool operator==(const StrayBytes &) const = default;
};

using DecoderEvent = std::variant<DecodedFrame, StrayBytes>;

// Streaming decoder for the board's command frames. Bytes may arrive in
// any chunking; the events do not depend on where the chunks were cut.
//
// Recovery is deliberately simple: a 0x00 always starts a new frame, and a
// 0x02 always ends a value. A frame that goes wrong is handed back whole
// as stray bytes, and everything up to the next 0x00 is stray as well.
// Memory is bounded: a frame holds at most 6 + kMaxValueBytes bytes and a
// run of stray bytes is handed out in pieces of at most kMaxStrayRun.
class FrameDecoder {
public:
    // The longest legal value is 64 bytes; the slack keeps a driver that
    // sends a few bytes too many visible as a frame rather than as noise.
    static constexpr qsizetype kMaxValueBytes = 128;
    static constexpr qsizetype kMaxStrayRun = 256;
    static constexpr qsizetype kMinNameBytes = 2;
    static constexpr qsizetype kMaxNameBytes = 4;

    // Feeds the bytes that arrived at nowMs and returns what they completed.
    std::vector<DecoderEvent> feed(QByteArrayView chunk, qint64 nowMs);

    // The input has ended or gone quiet: hands back whatever is held (an
    // open frame as Unclosed, a pending run of stray bytes) and starts over.
    std::vector<DecoderEvent> finish();

    // Bytes held for an open frame or a pending stray run.
    qsizetype pendingBytes() const { return m_frame.size() + m_stray.size(); }
    bool isIdle() const { return pendingBytes() == 0; }

private:
    enum class State { Outside, Name, Value };

    void abandonFrame(StrayReason reason, std::vector<DecoderEvent> &out);
    void addStray(char byte, qint64 nowMs, std::vector<DecoderEvent> &out);
    void flushStray(std::vector<DecoderEvent> &out);

    State m_state = State::Outside;
    QByteArray m_frame; // raw bytes of the open frame, from its 0x00
    qsizetype m_nameLength = 0;
    qint64 m_frameStartMs = 0;
    QByteArray m_stray;
    qint64 m_strayStartMs = 0;
};

} // namespace zorvan
