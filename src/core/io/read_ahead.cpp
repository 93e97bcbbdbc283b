#include "io/read_ahead.h"

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <limits>
#include <system_error>

#include "common/huge_page_memory.h"

namespace velmora {

namespace {

// A block of 512 KiB takes the kernel some 50 to 100 microseconds to copy out of the page cache.
constexpr auto kSpinTime = std::chrono::microseconds(100);

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

int64_t ReadFullyAt(int Fd, uint8_t* Data, int64_t Count, int64_t Offset) {
    int64_t done = 0;
    while (done < Count) {
        const ssize_t got = ::pread(Fd, Data + done, static_cast<size_t>(Count - done), Offset + done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += got;
    }
    return done;
}

bool ReadAheadPays() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return ::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
}

std::unique_ptr<TReadAhead> StartReadAhead(int Fd, int64_t Offset, int32_t BlockSize) {
    if (Fd < 0 || !ReadAheadPays()) {
        return nullptr;
    }
    try {
        return std::make_unique<TReadAhead>(Fd, Offset, BlockSize);
    } catch (const std::system_error&) {
        return nullptr;
    }
}

TReadAhead::TReadAhead(int Fd, int64_t Offset, int32_t BlockSize)
    : fd_(Fd),
      offset_(Offset),
      blockSize_(BlockSize < 1 ? 1 : BlockSize),
      ring_(static_cast<uint8_t*>(AllocateHugePageBacked(static_cast<size_t>(blockSize_) * kSlots))) {
    worker_ = std::thread([this] { Work(); });
}

TReadAhead::~TReadAhead() {
    Stop();
}

uint8_t* TReadAhead::Slot(int64_t Block) const {
    return ring_.get() + static_cast<size_t>(Block % kSlots) * static_cast<size_t>(blockSize_);
}

void TReadAhead::Work() {
    for (int64_t block = 0;; ++block) {
        int64_t released = released_.load(std::memory_order_acquire);
        while (block >= released + kSlots) {
            released_.wait(released, std::memory_order_acquire);
            released = released_.load(std::memory_order_acquire);
        }
        if (stop_.load(std::memory_order_acquire)) {
            return;
        }
        const int64_t got = ReadFullyAt(fd_, Slot(block), blockSize_, offset_ + block * blockSize_);
        sizes_[block % kSlots] = static_cast<int32_t>(got);
        produced_.store(block + 1, std::memory_order_release);
        produced_.notify_one();
        if (got < blockSize_) {
            return;
        }
    }
}

TReadAhead::TBlock TReadAhead::Next() {
    if (ended_) {
        return {};
    }
    // The reader is done with the block before: the worker may fill its slot again.
    released_.store(next_, std::memory_order_release);
    released_.notify_one();
    int64_t produced = produced_.load(std::memory_order_acquire);
    // The next block is usually a few dozen microseconds away: waiting for it awake is cheaper than
    // a sleep and a wake-up through the kernel for every block.
    if (produced <= next_) {
        const auto until = std::chrono::steady_clock::now() + kSpinTime;
        do {
            for (int i = 0; i < 64 && produced <= next_; ++i) {
                CpuRelax();
                produced = produced_.load(std::memory_order_acquire);
            }
        } while (produced <= next_ && std::chrono::steady_clock::now() < until);
    }
    while (produced <= next_) {
        produced_.wait(produced, std::memory_order_acquire);
        produced = produced_.load(std::memory_order_acquire);
    }
    const TBlock block{Slot(next_), sizes_[next_ % kSlots]};
    ++next_;
    ended_ = block.Size < blockSize_;
    return block;
}

void TReadAhead::Stop() {
    if (!worker_.joinable()) {
        return;
    }
    stop_.store(true, std::memory_order_release);
    // Wakes a worker waiting for a free slot; it then sees the stop.
    released_.store(std::numeric_limits<int64_t>::max() - kSlots, std::memory_order_release);
    released_.notify_one();
    worker_.join();
    ended_ = true;
}

}  // namespace velmora
