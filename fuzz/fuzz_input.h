#pragma once

#include "link/frame_decoder.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zorvan::fuzz {

// A broken property is a finding like a crash: libFuzzer keeps the input
// that made the process abort.
inline void require(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n", property);
    std::abort();
}

// The bytes the events stand for, in order: a decoded frame is 0x00 name
// 0x01 value 0x02 again, stray bytes are themselves.
inline QByteArray eventBytes(const std::vector<DecoderEvent> &events)
{
    QByteArray bytes;
    for (const DecoderEvent &event : events) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
            bytes += '\0' + frame->name + '\x01' + frame->value + '\x02';
        } else {
            bytes += std::get<StrayBytes>(event).bytes;
        }
    }
    return bytes;
}

// The frames of a plan's bytes; a plan that leaves any byte outside a
// well-formed frame breaks the property.
inline std::vector<DecodedFrame> framesOf(const QByteArray &wire, const char *property)
{
    FrameDecoder decoder;
    std::vector<DecoderEvent> events = decoder.feed(wire, 0);
    const std::vector<DecoderEvent> rest = decoder.finish();
    events.insert(events.end(), rest.begin(), rest.end());
    std::vector<DecodedFrame> frames;
    for (DecoderEvent &event : events) {
        auto *frame = std::get_if<DecodedFrame>(&event);
        require(frame != nullptr, property);
        frames.push_back(std::move(*frame));
    }
    return frames;
}

} // namespace zorvan::fuzz
