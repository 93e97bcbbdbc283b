#include "io/file_bit_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/message_box.h"
#include "io/file_lock.h"
#include "io/read_ahead.h"
#include "io/start_code_scan.h"

namespace velmora {

namespace {

// Seconds from 1601-01-01 (the file-time epoch) to 1970-01-01.
constexpr int64_t kFileTimeEpochOffsetSeconds = 11644473600;
// Bytes looked at one by one before a start-code search sets up its block search.
constexpr int32_t kNearBytes = 16;

}  // namespace

TFileBitStream::TFileBitStream(const std::string& FileName, int32_t BufferSize)
    : FBufferSize(std::max<int32_t>(BufferSize, 0)),
      FBuffer(static_cast<uint8_t*>(
          AllocateHugePageBacked(static_cast<size_t>(std::max<int32_t>(BufferSize, 1))))) {
    FData = FBuffer.get();
    FRefillCount = 0;
    if (!Open(FileName)) {
        throw EParserFileException();
    }
}

TFileBitStream::~TFileBitStream() {
    CloseFile();
}

bool TFileBitStream::Open(const std::string& FileName) {
    // Non-blocking so that a FIFO chosen by mistake cannot stall the open; only regular files pass.
    // The first sentence is the one users and scripts know; the reason follows it.
    const auto refuse = [&](const std::string& reason) {
        CloseFile();
        ShowMessageBox("Unable to open file " + FileName + " for reading. " + reason + ".");
        return false;
    };
    FHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FHandle < 0) {
        return refuse(std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(FHandle, &info) != 0) {
        return refuse(std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return refuse(S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
    }
    if (!TryLockShared(FHandle)) {
        return refuse(FileName + " is being changed by another program" + LockHolder(FHandle));
    }
    ::fcntl(FHandle, F_SETFL, ::fcntl(FHandle, F_GETFL) & ~O_NONBLOCK);
    FFileSize = info.st_size;
    FBytePos = 0;
    FBitsLeft = 8;
    FDataSize = 0;
    FBufferOffset = 0;
    FEof = false;
    if (!Refill()) {
        CloseFile();
        ShowMessageBox("Unable to read from file " + FileName + ".");
        return false;
    }
    return true;
}

TFileBitStream::TBlock TFileBitStream::ReadBlock(int64_t Offset) {
    // From the second buffer on, the file is read ahead on a second thread where a second processor
    // can run it; a run that needs one buffer (a cache answers, the first GOP) starts no thread.
    if (!FReadAhead && Offset == FBufferSize) {
        FReadAhead = StartReadAhead(FHandle, Offset, FBufferSize);
    }
    if (FReadAhead) {
        const TReadAhead::TBlock block = FReadAhead->Next();
        return {block.Data, block.Size};
    }
    const int64_t got = FHandle < 0 ? 0 : ReadFullyAt(FHandle, FBuffer.get(), FBufferSize, Offset);
    return {FBuffer.get(), static_cast<int32_t>(got)};
}

bool TFileBitStream::Refill() {
    ++FRefillCount;
    const int64_t offset = FBufferOffset + FDataSize;
    const TBlock block = ReadBlock(offset);
    if (block.Size <= 0) {
        FEof = true;
        return false;
    }
    FData = block.Data;
    FBufferOffset = offset;
    FDataSize = block.Size;
    return true;
}

// Called when FBytePos has just reached FDataSize: a full buffer is followed by another fill, a short
// one was the end of the file.
void TFileBitStream::AdvanceByte() {
    if (FDataSize == FBufferSize) {
        Refill();
        FBytePos = 0;
    } else {
        FEof = true;
    }
}

uint32_t TFileBitStream::ReadBit() {
    if (FEof) {
        return 0;
    }
    const uint32_t bit = (FData[FBytePos] >> (FBitsLeft - 1)) & 1u;
    if (--FBitsLeft == 0) {
        FBitsLeft = 8;
        if (++FBytePos == FDataSize) {
            AdvanceByte();
        }
    }
    return bit;
}

uint32_t TFileBitStream::ReadBits(uint32_t Count) {
    // Header fields are read a few bits at a time: when they end before the last byte of the buffer
    // (so no refill is due) they are taken in one piece rather than bit by bit.
    const int32_t skip = 8 - FBitsLeft;
    const int32_t total = skip + static_cast<int32_t>(Count);
    if (!FEof && Count <= 32 && FBytePos + (total + 7) / 8 < FDataSize) {
        const int32_t need = (total + 7) / 8;
        uint64_t bits = 0;
        for (int32_t i = 0; i < need; ++i) {
            bits = (bits << 8) | FData[FBytePos + i];
        }
        FBytePos += total / 8;
        FBitsLeft = 8 - total % 8;
        return static_cast<uint32_t>((bits >> (need * 8 - total)) & ((uint64_t{1} << Count) - 1));
    }
    uint32_t result = 0;
    if (FBitsLeft == 8 && Count % 8 == 0) {
        for (uint32_t n = Count / 8; n > 0; --n) {
            result <<= 8;
            if (!FEof) {
                result |= FData[FBytePos];
                if (++FBytePos == FDataSize) {
                    AdvanceByte();
                }
            }
        }
        return result;
    }
    for (uint32_t n = 0; n < Count; ++n) {
        result = (result << 1) | ReadBit();
    }
    return result;
}

uint32_t TFileBitStream::PeekBits(int32_t Count) {
    if (Count <= 0 || FEof) {
        return 0;
    }
    // The analyser peeks at every start code value: a whole byte on a boundary, inside the buffer.
    if (Count == 8 && FBitsLeft == 8) {
        return FData[FBytePos];
    }
    // So are the three bytes of a start code prefix and the flags of a header: up to 24 bits from
    // any bit of the byte lie in the next four bytes, taken in one piece inside the buffer.
    if (Count <= 24 && FBytePos + 4 <= FDataSize) {
        const uint32_t bits = uint32_t{FData[FBytePos]} << 24 | uint32_t{FData[FBytePos + 1]} << 16 |
                              uint32_t{FData[FBytePos + 2]} << 8 | uint32_t{FData[FBytePos + 3]};
        return (bits << (8 - FBitsLeft)) >> (32 - Count);
    }
    Count = std::min(Count, 32);
    const int skip = 8 - FBitsLeft;
    const int need = (skip + Count + 7) / 8;  // at most 5 bytes, the first always in the buffer
    uint8_t bytes[5] = {};
    const int inBuffer = std::min(need, FDataSize - FBytePos);
    std::memcpy(bytes, FData + FBytePos, inBuffer);
    // Only a full buffer can have more data behind it; pread leaves the file offset alone.
    if (inBuffer < need && FDataSize == FBufferSize && FHandle >= 0) {
        ReadFullyAt(FHandle, bytes + inBuffer, need - inBuffer, FBufferOffset + FDataSize);
    }
    uint64_t bits = 0;
    for (int i = 0; i < need; ++i) {
        bits = (bits << 8) | bytes[i];
    }
    const uint64_t mask = (uint64_t{1} << Count) - 1;
    return static_cast<uint32_t>((bits >> (need * 8 - skip - Count)) & mask);
}

bool TFileBitStream::FindPattern(uint32_t Pattern, uint32_t Width) {
    while (FBitsLeft != 8 && !FEof) {
        ReadBit();
    }
    if (Pattern == 1 && Width == 24) {
        return FindStartCodePrefix();
    }
    return FindPatternByteByByte(Pattern, Width);
}

bool TFileBitStream::FindPatternByteByByte(uint32_t Pattern, uint32_t Width) {
    const uint32_t mask = Width >= 32 ? ~0u : (1u << Width) - 1;
    uint32_t value = ReadBits(Width);
    while ((value & mask) != Pattern) {
        if (FEof) {
            return false;
        }
        value = (value << 8) | ReadBits(8);
    }
    return true;
}

// Same result and state as the byte-by-byte search, but whole buffers are scanned in blocks; the
// zero-byte history carries the prefix across buffer refills.
bool TFileBitStream::FindStartCodePrefix() {
    uint32_t history = 0;
    // After a header or a short packet the next prefix is mostly a few bytes on: looking there byte by
    // byte first spares the block search its set-up (a flood of 4-byte start codes runs twice as fast).
    if (!FEof) {
        const int32_t near = std::min(FBytePos + kNearBytes, FDataSize);
        const int32_t found = FindStartCodeEndByteByByte(FData, FBytePos, near, history);
        if (found >= 0) {
            FBytePos = found + 1;
            if (FBytePos == FDataSize) {
                AdvanceByte();
            }
            return true;
        }
        FBytePos = near;
    }
    while (!FEof) {
        const int32_t found = FindStartCodeEnd(FData, FBytePos, FDataSize, history);
        FBytePos = found >= 0 ? found + 1 : FDataSize;
        if (FBytePos == FDataSize) {
            AdvanceByte();
        }
        if (found >= 0) {
            return true;
        }
    }
    return false;
}

bool TFileBitStream::FindStartCodeOutside(uint8_t First, uint8_t Last) {
    while (FBitsLeft != 8 && !FEof) {
        ReadBit();
    }
    uint32_t history = 0;
    while (!FEof) {
        const int32_t found = FindStartCodeEndOutside(FData, FBytePos, FDataSize, history, First, Last);
        FBytePos = found >= 0 ? found + 1 : FDataSize;
        // A prefix ending the buffer has its value in the next one, looked at after the refill.
        const bool valueUnseen = FBytePos == FDataSize;
        if (valueUnseen) {
            AdvanceByte();
        }
        if (found >= 0) {
            // Past the end a peek reads 0, which may itself lie in the range: then the search ends
            // without a start code, as the repeated pattern search would.
            const uint32_t next = FEof ? 0 : FData[FBytePos];
            if (!valueUnseen || next < First || next > Last) {
                return true;
            }
            history = 0;
        }
    }
    return false;
}

int64_t TFileBitStream::FileSize() const {
    struct stat info {};
    if (FHandle >= 0 && ::fstat(FHandle, &info) == 0) {
        return info.st_size;
    }
    return FFileSize;
}

int64_t TFileBitStream::Position() const {
    return FBufferOffset + (FEof ? FDataSize : FBytePos);
}

uint64_t TFileBitStream::GetLastWriteTime() const {
    struct stat info {};
    if (FHandle < 0 || ::fstat(FHandle, &info) != 0) {
        return 0;
    }
    return static_cast<uint64_t>((info.st_mtim.tv_sec + kFileTimeEpochOffsetSeconds) * 10000000 +
                                 info.st_mtim.tv_nsec / 100);
}

void TFileBitStream::CloseFile() {
    // The worker reads through the handle: it ends first. The buffer being read stays readable.
    if (FReadAhead) {
        FReadAhead->Stop();
    }
    if (FHandle >= 0) {
        ::close(FHandle);
        FHandle = -1;
    }
}

}  // namespace velmora
