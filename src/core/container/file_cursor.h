// A forward-only window on a file for the demultiplexers: large reads into one buffer, and the few
// bytes of a header that straddles two reads moved so the header lies in one piece.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmora {

class TFileCursor {
  public:
    // The largest Ensure request: a TS packet, a pack header or a PES header.
    static constexpr int32_t kMaxContiguous = 4096;
    static constexpr int32_t kDefaultBlockSize = 512 * 1024;

    // Reads Fd (borrowed; it must stay open) from Offset; FileName only names it in error messages.
    TFileCursor(int Fd, int64_t Offset, std::string FileName, int32_t BlockSize = kDefaultBlockSize);

    // Makes at least Count (at most kMaxContiguous) bytes lie at Data(); false when the file ends
    // first, with the rest of the file at Data(). Throws EContainerReadError on a read error.
    bool Ensure(int32_t Count) { return available_ >= Count || Fill(Count); }
    const uint8_t* Data() const { return data_; }
    int32_t Available() const { return available_; }
    // Moves past Count bytes, at most Available().
    void Advance(int32_t Count) {
        data_ += Count;
        available_ -= Count;
    }
    // Moves past Count bytes, reading none that lie beyond the buffer; returns how many were passed
    // (fewer when the file ends).
    int64_t Skip(int64_t Count);
    // File offset of Data()[0].
    int64_t Offset() const { return end_ - available_; }
    // True when no byte is left.
    bool AtEnd() { return available_ == 0 && !Ensure(1); }

  private:
    // Reads until Count bytes lie at Data() or the file ends; the rare path of Ensure.
    bool Fill(int32_t Count);

    int fd_;
    std::string fileName_;
    int32_t blockSize_;
    std::unique_ptr<uint8_t[]> buffer_;  // kMaxContiguous bytes of room for a carried tail, then a block
    const uint8_t* data_ = nullptr;
    int32_t available_ = 0;
    int64_t end_ = 0;  // file offset just past the bytes in the buffer
    int64_t size_ = 0;
    bool ended_ = false;
};

}  // namespace velmora
