// Cut positions of picture entries: where a cut that starts at a picture begins in the file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "analysis/header_list.h"
#include "tools/file_handle.h"

namespace velmora {

// The cut position of a P or B picture is its own start code. That of an I picture is the start of the
// run of headers directly in front of it: its sequence header when one stands directly before its GOP
// header, else its GOP header, else its own start code. The records hold only the last sequence header's
// position for an I picture, so the other two are found by reading FileName's start codes in step with
// the list, from the nearest entry whose position is known. Asking in stream order reads the file once.
class TCutPositions {
  public:
    TCutPositions(const std::string& FileName, const THeaderList& Headers);

    // The cut position of the picture entry at Index; nothing when the file does not hold the start codes
    // the list describes (changed since the analysis, or unreadable).
    std::optional<int64_t> At(int64_t Index);

  private:
    struct TStartCode {
        int64_t Position;
        int32_t Value;
    };
    std::optional<int64_t> Locate(int64_t target);
    std::optional<TStartCode> NextStartCode(int64_t from);

    const THeaderList& headers_;
    TFileHandle file_;
    std::unique_ptr<uint8_t[]> buffer_;
    int64_t bufferStart_ = 0;
    int64_t bufferLength_ = 0;
    // The last entry located by reading, and where reading for the entries after it goes on.
    int64_t cursorEntry_ = -1;
    int64_t cursorPosition_ = 0;
};

}  // namespace velmora
