// An elementary stream read from a plain file with pread, so one open file serves any order of reads.
#pragma once

#include <string>

#include "preview/stream_reader.h"

namespace velmora {

class TFileStreamReader : public IElementaryStreamReader {
  public:
    // Opens FileName for reading; throws EPreviewError naming it when it can not be opened.
    explicit TFileStreamReader(const std::string& FileName);
    ~TFileStreamReader() override;
    TFileStreamReader(const TFileStreamReader&) = delete;
    TFileStreamReader& operator=(const TFileStreamReader&) = delete;

    size_t Read(int64_t Offset, std::span<uint8_t> Buffer) override;

  private:
    std::string name_;
    int fd_ = -1;
};

}  // namespace velmora
