// A forward-only bit reader over one file, most significant bit first, through one large buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "common/huge_page_memory.h"

namespace velmora {

class TReadAhead;

// Raised when the stream file cannot be opened or read ("File error!").
class EParserFileException : public std::runtime_error {
  public:
    EParserFileException() : std::runtime_error("File error!") {}
};

class TFileBitStream {
  public:
    // Opens FileName for shared reading (a tool changing the file holds the exclusive lock) and fills
    // the first buffer. On failure shows "Unable to open file NAME for reading. REASON." or "Unable to
    // read from file NAME." through ShowMessageBox and throws EParserFileException; nothing stays open.
    TFileBitStream(const std::string& FileName, int32_t BufferSize);
    ~TFileBitStream();
    TFileBitStream(const TFileBitStream&) = delete;
    TFileBitStream& operator=(const TFileBitStream&) = delete;

    // The next bit; 0 once FEof is set.
    uint32_t ReadBit();
    // The next Count bits (0 to 32), first bit most significant; bits past the end read as 0.
    uint32_t ReadBits(uint32_t Count);
    // What ReadBits(Count) would return next, without changing any state or the file offset.
    // Count is limited to 0..32.
    uint32_t PeekBits(int32_t Count);
    // Moves to the next byte boundary and consumes up to and including the next Width bits equal to
    // Pattern; false (with FEof set) when the data ends first.
    bool FindPattern(uint32_t Pattern, uint32_t Width);
    // Same result and state as FindPattern(1, 24) repeated while PeekBits(8) lies in [First, Last]:
    // stops just after the first start code prefix followed by another value (or at the end).
    bool FindStartCodeOutside(uint8_t First, uint8_t Last);

    int64_t FileSize() const;
    // Offset of the byte holding the next unread bit; every byte read once FEof is set.
    int64_t Position() const;
    // Last-write time as a 64-bit file time: 100 ns units since 1601-01-01.
    uint64_t GetLastWriteTime() const;
    void CloseFile();

    bool FEof = false;
    int64_t FRefillCount = 0;

    // Implementation fields follow (see the .cpp).
  private:
    bool Open(const std::string& FileName);
    struct TBlock {
        const uint8_t* Data;
        int32_t Size;
    };
    TBlock ReadBlock(int64_t Offset);
    bool Refill();
    void AdvanceByte();
    bool FindStartCodePrefix();
    bool FindPatternByteByByte(uint32_t Pattern, uint32_t Width);

    int FHandle = -1;
    int32_t FBytePos = 0;
    int32_t FBitsLeft = 8;
    int32_t FBufferSize = 0;
    int32_t FDataSize = 0;
    // In huge pages where it allows: the reads fill it with one page fault instead of 128. It holds the
    // first buffer, and every buffer when the file is not read ahead.
    THugePageBytes FBuffer;
    const uint8_t* FData = nullptr;  // the current buffer's bytes
    std::unique_ptr<TReadAhead> FReadAhead;
    int64_t FBufferOffset = 0;  // file offset of FBuffer[0]
    int64_t FFileSize = 0;      // size at opening, kept for FileSize after CloseFile
};

}  // namespace velmora
