// A forward-only source of video elementary stream bytes: the file itself, or the payload of one video
// stream of a program or transport stream.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace velmora {

// Raised when the file cannot be read (not at its end: a truncated file ends the stream cleanly).
class EContainerReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Receives the demultiplexer's messages (gaps, scrambled packets, packets cut short); a message never
// stops the stream.
using TContainerLog = std::function<void(const std::string& Text)>;

class IByteSource {
  public:
    virtual ~IByteSource() = default;
    // Copies the next bytes of the elementary stream into Data and returns how many: Count unless the
    // stream ends first, 0 at its end. Throws EContainerReadError when the file cannot be read.
    virtual int64_t Read(uint8_t* Data, int64_t Count) = 0;
    // Passes over the next Count bytes without copying them; returns how many were passed (fewer at
    // the end).
    virtual int64_t Skip(int64_t Count) = 0;
    // Elementary-stream offset of the next byte Read delivers (bytes read and skipped so far).
    virtual int64_t Position() const = 0;
    // How far into the file the source has read, for progress against the file's size: the
    // elementary stream's own size is not known before its end.
    virtual int64_t FileOffset() const = 0;
};

}  // namespace velmora
