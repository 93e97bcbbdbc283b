// Simulates a full disk for the current process: files cannot grow past a given size while an object
// of this class lives (RLIMIT_FSIZE, with SIGXFSZ ignored so the write fails with EFBIG instead).
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace velmora::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(uint64_t bytes) {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_limit_);
        rlimit limit = old_limit_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_limit_);
        std::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_limit_{};
    void (*old_handler_)(int) = nullptr;
};

}  // namespace velmora::test
