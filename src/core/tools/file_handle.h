// An owned POSIX file descriptor, closed when the owner goes.
#pragma once

#include <unistd.h>

#include <utility>

namespace velmora {

class TFileHandle {
  public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : fd_(fd) {}
    ~TFileHandle() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TFileHandle(TFileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TFileHandle& operator=(TFileHandle&& other) noexcept {
        if (this != &other) {
            TFileHandle gone(std::exchange(fd_, std::exchange(other.fd_, -1)));
        }
        return *this;
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Closes now and tells whether the close succeeded (a late write error shows up here).
    bool Close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_ = -1;
};

}  // namespace velmora
