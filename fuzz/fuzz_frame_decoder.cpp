// The board stand-in's decoder and board model under arbitrary line bytes
// cut into arbitrary chunks. Input: one byte n, then n % 16 pattern bytes,
// then the line bytes. Each pattern byte, taken in turn, gives the size of
// the next chunk (low 6 bits, 0 for an empty read followed by one byte) and
// how the line behaved before it (high 2 bits: no pause, a pause, a longer
// pause, or quiet long enough for the stand-in to give up on a half frame).

#include "fuzz_input.h"

#include "link/board_state.h"
#include "model/text_rules.h"

#include <cstddef>
#include <cstdint>

using namespace zorvan;
using zorvan::fuzz::require;

namespace {

constexpr qint64 kStartMs = 1'000'000;
constexpr qint64 kPauseStepMs = 700;
constexpr int kQuietLine = 3;

// Events with their times left out: the times follow the chunks, the rest
// must not.
QByteArray timeless(const std::vector<DecoderEvent> &events)
{
    QByteArray out;
    for (const DecoderEvent &event : events) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
            out += "F:" + frame->name + ':' + frame->value.toHex() + ';';
        } else {
            const StrayBytes &stray = std::get<StrayBytes>(event);
            out += "S" + QByteArray::number(int(stray.reason)) + ':' + stray.bytes.toHex() + ';';
        }
    }
    return out;
}

bool isNameByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void checkEvent(const DecoderEvent &event, qint64 &lastStartMs)
{
    if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
        require(frame->name.size() >= FrameDecoder::kMinNameBytes
                && frame->name.size() <= FrameDecoder::kMaxNameBytes,
            "frame name is 2 to 4 bytes");
        for (const char c : frame->name)
            require(isNameByte(c), "frame name is letters and digits");
        require(frame->value.size() <= FrameDecoder::kMaxValueBytes, "frame value is bounded");
        require(!frame->value.contains('\0') && !frame->value.contains('\x02'),
            "frame value holds no frame start or end");
        require(frame->startMs <= frame->endMs, "a frame ends after it starts");
        require(frame->startMs >= lastStartMs, "events come in time order");
        lastStartMs = frame->startMs;
        return;
    }
    const StrayBytes &stray = std::get<StrayBytes>(event);
    require(!stray.bytes.isEmpty(), "stray events carry bytes");
    require(stray.bytes.size() <= FrameDecoder::kMaxStrayRun, "stray runs are bounded");
    require(stray.startMs >= lastStartMs || stray.reason != StrayReason::OutsideFrame,
        "stray runs come in time order");
    if (stray.reason == StrayReason::OutsideFrame)
        lastStartMs = stray.startMs;
    else
        require(stray.bytes.startsWith('\0'), "an abandoned frame starts with its 0x00");
}

void checkBoard(const BoardState &board, qint64 nowMs)
{
    const BoardParameters &p = board.working();
    require(p.piHigh >= 0 && p.piHigh <= 255 && p.piLow >= 0 && p.piLow <= 255, "PI bytes in range");
    require(p.pty >= 0 && p.pty <= 31, "PTY in range");
    require(p.afCount >= 0 && p.afCount <= kAfCount, "AF count in range");
    for (const int code : p.afCodes)
        require(code >= 0 && code <= 204, "AF codes in range");
    require(p.eccSelector >= 0 && p.eccSelector <= 5, "ECC selector in range");
    require(p.mode >= 0 && p.mode <= 5, "mode in range");
    require(p.rt.size() <= kLongTextLength, "radio text bounded");
    for (const QString &message : p.messages)
        require(message.size() <= kLongTextLength, "messages bounded");
    for (const QString &label : p.ps)
        require(label.size() <= kPsLabelLength, "labels bounded");
    for (const int delay : p.psDelay)
        require(delay >= 0 && delay <= 99, "delays in range");

    const int onAir = board.onAirLabel(nowMs);
    require(onAir >= 0 && onAir < kLabelCount, "label on air exists");
    const ReceiverView view = board.receiverView(nowMs);
    require(view.ps.size() == kPsLabelLength, "receiver shows 8 characters");
    if (view.rdsOn) {
        require(view.labelIndex == onAir, "receiver shows the label on air");
        require(view.pi.size() == 4, "PI shown as four digits");
        require(view.afMhz.size() <= p.afCount, "no more AFs shown than counted");
    } else {
        require(view.labelIndex == -1, "no label while RDS is off");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t patternLength = std::min<std::size_t>(data[0] % 16, size - 1);
    const QByteArrayView pattern(data + 1, qsizetype(patternLength));
    const QByteArrayView line(data + 1 + patternLength, qsizetype(size - 1 - patternLength));

    FrameDecoder decoder;
    BoardState board;
    std::vector<DecoderEvent> events;
    qint64 nowMs = kStartMs;
    qint64 lastStartMs = 0;
    bool wentQuiet = false;

    const auto take = [&](std::vector<DecoderEvent> fresh) {
        bool applied = false;
        for (const DecoderEvent &event : fresh) {
            checkEvent(event, lastStartMs);
            if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
                const ApplyResult result = board.apply(*frame);
                require(!result.detail.isEmpty(), "every frame gets a verdict text");
                applied = true;
            }
            events.push_back(event);
        }
        require(decoder.pendingBytes() <= 1 + FrameDecoder::kMaxNameBytes + 1 + FrameDecoder::kMaxValueBytes
                    + FrameDecoder::kMaxStrayRun,
            "decoder memory bounded");
        if (applied)
            checkBoard(board, nowMs);
    };

    qsizetype pos = 0;
    std::size_t turn = 0;
    while (pos < line.size()) {
        qsizetype chunk = line.size();
        if (!pattern.isEmpty()) {
            const auto cue = static_cast<unsigned char>(pattern[qsizetype(turn++ % patternLength)]);
            chunk = cue & 0x3F;
            const int pause = cue >> 6;
            nowMs += pause * kPauseStepMs;
            if (pause == kQuietLine) {
                wentQuiet = true;
                take(decoder.finish());
                require(decoder.isIdle(), "a quiet line leaves nothing held");
            }
        }
        if (chunk == 0) {
            // An empty read happens on a real line; the byte after it keeps
            // the loop moving.
            take(decoder.feed(QByteArrayView(), nowMs));
            chunk = 1;
        }
        chunk = std::min(chunk, line.size() - pos);
        take(decoder.feed(line.sliced(pos, chunk), nowMs));
        pos += chunk;
    }
    take(decoder.finish());
    checkBoard(board, nowMs);
    checkBoard(board, nowMs + 3'600'000);
    require(decoder.isIdle(), "finish leaves nothing held");
    require(fuzz::eventBytes(events) == line, "every byte comes back once, in order");

    if (!wentQuiet) {
        FrameDecoder whole;
        std::vector<DecoderEvent> once = whole.feed(line, kStartMs);
        const std::vector<DecoderEvent> rest = whole.finish();
        once.insert(once.end(), rest.begin(), rest.end());
        require(timeless(once) == timeless(events), "chunking does not change the events");

        BoardState wholeBoard;
        for (const DecoderEvent &event : once) {
            if (const auto *frame = std::get_if<DecodedFrame>(&event))
                wholeBoard.apply(*frame);
        }
        require(wholeBoard.working() == board.working(), "chunking does not change the board");
        require(wholeBoard.stored() == board.stored(), "chunking does not change what was stored");
    }
    return 0;
}
