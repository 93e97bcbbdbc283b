// Where the preview reads a video elementary stream's bytes: a plain file now, a container's
// demultiplexer later, so every offset is an elementary-stream offset.
#pragma once

#include <cstdint>
#include <span>

namespace velmora {

class IElementaryStreamReader {
  public:
    virtual ~IElementaryStreamReader() = default;
    // Reads up to Buffer.size() bytes starting at Offset; returns how many were read, fewer only at
    // the stream's end. Throws EPreviewError when the stream can not be read.
    virtual size_t Read(int64_t Offset, std::span<uint8_t> Buffer) = 0;
};

}  // namespace velmora
