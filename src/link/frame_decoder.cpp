#include "link/frame_decoder.h"

namespace zorvan {

namespace {

constexpr char kStart = 0x00;
constexpr char kSeparator = 0x01;
constexpr char kEnd = 0x02;

bool isNameByte(char byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
}

} // namespace

QString strayReasonName(StrayReason reason)
{
    switch (reason) {
    case StrayReason::OutsideFrame:
        return QStringLiteral("outside frame");
    case StrayReason::Restarted:
        return QStringLiteral("frame restarted");
    case StrayReason::BadName:
        return QStringLiteral("bad name");
    case StrayReason::Overlong:
        return QStringLiteral("value too long");
    case StrayReason::Unclosed:
        return QStringLiteral("frame not closed");
    }
    return QString();
}

std::vector<DecoderEvent> FrameDecoder::feed(QByteArrayView chunk, qint64 nowMs)
{
    std::vector<DecoderEvent> out;
    const auto startFrame = [&] {
        m_state = State::Name;
        m_frame = QByteArray(1, kStart);
        m_nameLength = 0;
        m_frameStartMs = nowMs;
    };

    for (const char byte : chunk) {
        switch (m_state) {
        case State::Outside:
            if (byte == kStart) {
                flushStray(out);
                startFrame();
            } else {
                addStray(byte, nowMs, out);
            }
            break;
        case State::Name:
            if (byte == kStart) {
                abandonFrame(StrayReason::Restarted, out);
                startFrame();
            } else if (byte == kSeparator && m_nameLength >= kMinNameBytes) {
                m_frame.append(byte);
                m_state = State::Value;
            } else if (isNameByte(byte) && m_nameLength < kMaxNameBytes) {
                m_frame.append(byte);
                ++m_nameLength;
            } else {
                m_frame.append(byte);
                abandonFrame(StrayReason::BadName, out);
            }
            break;
        case State::Value:
            if (byte == kStart) {
                abandonFrame(StrayReason::Restarted, out);
                startFrame();
            } else if (byte == kEnd) {
                DecodedFrame frame;
                frame.name = m_frame.mid(1, m_nameLength);
                frame.value = m_frame.mid(m_nameLength + 2);
                frame.startMs = m_frameStartMs;
                frame.endMs = nowMs;
                out.emplace_back(std::move(frame));
                m_frame.clear();
                m_state = State::Outside;
            } else if (m_frame.size() - (m_nameLength + 2) >= kMaxValueBytes) {
                abandonFrame(StrayReason::Overlong, out);
                addStray(byte, nowMs, out);
            } else {
                m_frame.append(byte);
            }
            break;
        }
    }
    return out;
}

std::vector<DecoderEvent> FrameDecoder::finish()
{
    std::vector<DecoderEvent> out;
    if (m_state != State::Outside)
        abandonFrame(StrayReason::Unclosed, out);
    flushStray(out);
    return out;
}

void FrameDecoder::abandonFrame(StrayReason reason, std::vector<DecoderEvent> &out)
{
    out.emplace_back(StrayBytes { m_frame, reason, m_frameStartMs });
    m_frame.clear();
    m_state = State::Outside;
}

void FrameDecoder::addStray(char byte, qint64 nowMs, std::vector<DecoderEvent> &out)
{
    if (m_stray.isEmpty())
        m_strayStartMs = nowMs;
    m_stray.append(byte);
    if (m_stray.size() >= kMaxStrayRun)
        flushStray(out);
}

void FrameDecoder::flushStray(std::vector<DecoderEvent> &out)
{
    if (m_stray.isEmpty())
        return;
    out.emplace_back(StrayBytes { m_stray, StrayReason::OutsideFrame, m_strayStartMs });
    m_stray.clear();
}

} // namespace zorvan
