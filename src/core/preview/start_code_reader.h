// Start codes (00 00 01 xx) of an elementary stream, found in order from a position through a
// fixed-size window, so a search over a long stretch holds one buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "preview/stream_reader.h"

namespace velmora {

struct TStartCode {
    int64_t Position = 0;  // of the first 00 of the prefix
    uint8_t Value = 0;
};

class TStartCodeReader {
  public:
    TStartCodeReader(IElementaryStreamReader& Stream, int64_t From);
    // The next start code, or nothing at the stream's end.
    std::optional<TStartCode> Next();
    // The stream's end, once Next has returned nothing.
    int64_t End() const { return windowStart_ + static_cast<int64_t>(window_.size()); }

  private:
    bool Refill();

    IElementaryStreamReader& stream_;
    std::vector<uint8_t> window_;
    int64_t windowStart_ = 0;
    size_t at_ = 0;  // next byte of the window to look at
    bool atEnd_ = false;
};

}  // namespace velmora
