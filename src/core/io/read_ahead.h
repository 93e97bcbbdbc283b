// Reads a file ahead of its reader on a second thread, block after block into a small ring, so the
// kernel's copy of the next blocks overlaps the scan of the current one: a scan then takes about as
// long as the copy alone instead of the copy plus the scan.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "common/huge_page_memory.h"

namespace velmora {

// Reads until Count bytes arrived at Offset, the file ends or an error occurs; returns the bytes read.
int64_t ReadFullyAt(int Fd, uint8_t* Data, int64_t Count, int64_t Offset);

// True when the process may run on more than one processor: only then does the worker overlap the
// scan rather than take turns with it.
bool ReadAheadPays();

class TReadAhead;

// A read-ahead of Fd from Offset when it pays and a thread can be started, else nullptr: the caller
// then reads in turn.
std::unique_ptr<TReadAhead> StartReadAhead(int Fd, int64_t Offset, int32_t BlockSize);

class TReadAhead {
  public:
    struct TBlock {
        const uint8_t* Data = nullptr;
        int32_t Size = 0;  // less than the block size: the file ends in this block
    };

    // Starts reading Fd from Offset in blocks of BlockSize bytes (at least 1). Fd must stay open until
    // Stop or destruction. Throws std::system_error when no thread can be started.
    TReadAhead(int Fd, int64_t Offset, int32_t BlockSize);
    // Stops the worker; the block handed out last stays readable.
    ~TReadAhead();
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The next block in file order, waiting for it when the worker is behind; the block handed out
    // before goes back to the ring. After the last block, or once stopped, an empty block.
    TBlock Next();
    // Ends the worker without waiting for the blocks it has not read; the block handed out last stays
    // readable. Called before Fd is closed.
    void Stop();

  private:
    // Four blocks: the one being scanned and three read ahead, enough to ride out a slow read.
    static constexpr int kSlots = 4;

    void Work();
    uint8_t* Slot(int64_t Block) const;

    int fd_;
    int64_t offset_;
    int32_t blockSize_;
    THugePageBytes ring_;
    int32_t sizes_[kSlots] = {};
    // Blocks the worker has read, and blocks the reader has finished with; the worker writes a slot
    // only while it is fewer than kSlots ahead of the reader.
    std::atomic<int64_t> produced_{0};
    std::atomic<int64_t> released_{0};
    std::atomic<bool> stop_{false};
    int64_t next_ = 0;  // the block Next hands out
    bool ended_ = false;
    std::thread worker_;
};

}  // namespace velmora
