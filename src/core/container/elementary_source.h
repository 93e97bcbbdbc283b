// The byte source of a file that is already a video elementary stream: reads go straight into the
// caller's buffer.
#pragma once

#include <string>

#include "container/byte_source.h"

namespace velmora {

class TElementarySource : public IByteSource {
  public:
    // Reads Fd (borrowed; it must stay open) from Offset; FileName only names it in error messages.
    TElementarySource(int Fd, int64_t Offset, std::string FileName);

    int64_t Read(uint8_t* Data, int64_t Count) override;
    int64_t Skip(int64_t Count) override;
    int64_t Position() const override { return position_; }
    int64_t FileOffset() const override { return offset_ + position_; }

  private:
    int fd_;
    int64_t offset_;
    std::string fileName_;
    int64_t position_ = 0;
};

}  // namespace velmora
