#include "container/elementary_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmora {

TElementarySource::TElementarySource(int Fd, int64_t Offset, std::string FileName)
    : fd_(Fd), offset_(Offset), fileName_(std::move(FileName)) {}

int64_t TElementarySource::Read(uint8_t* Data, int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::pread(fd_, Data + done, static_cast<size_t>(Count - done), offset_ + position_);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EContainerReadError("Unable to read from file " + fileName_ + ": " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        done += n;
        position_ += n;
    }
    return done;
}

int64_t TElementarySource::Skip(int64_t Count) {
    struct stat info {};
    const int64_t left =
        ::fstat(fd_, &info) == 0 ? std::max<int64_t>(info.st_size - offset_ - position_, 0) : 0;
    const int64_t passed = std::min(Count, left);
    position_ += passed;
    return passed;
}

}  // namespace velmora
