// The coded bytes of the pictures a decode plan feeds: each frame's picture headers, extensions and
// slices with the sequence and GOP headers before it, foreign data left out.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "preview/decode_plan.h"
#include "preview/stream_reader.h"

namespace velmora {

struct TFrameUnit {
    int64_t FrameEntry = 0;  // list index of the frame's first field
    int64_t Position = 0;    // of the frame's first picture start code (or the headers before it)
    std::vector<std::pair<int64_t, int64_t>> Ranges;  // [from, to) stream offsets, in order
};

// The fed frames of Plan in stream order; the first carries the sequence header in force when its
// GOP has none. Throws EPreviewError when the stream's pictures do not match the plan (the file
// changed since it was analysed) or a frame is implausibly large.
std::vector<TFrameUnit> FindFrameUnits(IElementaryStreamReader& Stream, const TDecodePlan& Plan);

// The bytes of Unit's ranges, read when it is fed so only one frame is held at a time.
std::vector<uint8_t> ReadFrameUnit(IElementaryStreamReader& Stream, const TFrameUnit& Unit);

}  // namespace velmora
