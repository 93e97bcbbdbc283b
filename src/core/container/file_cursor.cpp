#include "container/file_cursor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "container/byte_source.h"

namespace velmora {

TFileCursor::TFileCursor(int Fd, int64_t Offset, std::string FileName, int32_t BlockSize)
    : fd_(Fd),
      fileName_(std::move(FileName)),
      blockSize_(std::max(BlockSize, kMaxContiguous)),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(kMaxContiguous + blockSize_))),
      data_(buffer_.get() + kMaxContiguous),
      end_(Offset) {
    struct stat info {};
    size_ = ::fstat(Fd, &info) == 0 ? info.st_size : 0;
}

bool TFileCursor::Fill(int32_t Count) {
    while (available_ < Count && !ended_) {
        // The unread tail goes just before the block, so tail and block form one run of bytes.
        uint8_t* block = buffer_.get() + kMaxContiguous;
        std::memmove(block - available_, data_, static_cast<size_t>(available_));
        data_ = block - available_;
        int32_t got = 0;
        while (got < blockSize_) {
            const ssize_t n = ::pread(fd_, block + got, static_cast<size_t>(blockSize_ - got), end_ + got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw EContainerReadError("Unable to read from file " + fileName_ + ": " +
                                          std::strerror(errno));
            }
            if (n == 0) {
                ended_ = true;
                break;
            }
            got += static_cast<int32_t>(n);
        }
        available_ += got;
        end_ += got;
    }
    return available_ >= Count;
}

int64_t TFileCursor::Skip(int64_t Count) {
    if (Count <= available_) {
        Advance(static_cast<int32_t>(Count));
        return Count;
    }
    const int64_t beyond = std::min(Count - available_, std::max<int64_t>(size_ - end_, 0));
    const int64_t passed = available_ + beyond;
    data_ += available_;
    available_ = 0;
    end_ += beyond;
    if (passed < Count) {
        // The size known at opening is passed: the file may have grown, so read on to be sure.
        if (Ensure(1)) {
            return passed + Skip(Count - passed);
        }
    }
    return passed;
}

}  // namespace velmora
