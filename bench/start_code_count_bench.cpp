// The reference a start-code scan is held against: plain read() calls and memchr for the 0x01 byte,
// counting every 00 00 01 prefix of one file. Prints the count; bench/run times the whole program.
// Usage: start_code_count_bench FILE
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The same block size the analyser reads with.
constexpr size_t kBlockSize = 524280;

// Closes the file on every way out.
class TFileDescriptor {
  public:
    explicit TFileDescriptor(const char* path) : fd_(::open(path, O_RDONLY)) {}
    ~TFileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const TFileDescriptor file(argv[1]);
    if (file.Get() < 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    // Two bytes in front of each block carry the end of the one before, so a prefix split between
    // two reads is still seen.
    std::vector<unsigned char> buffer(kBlockSize + 2, 0xFF);
    long long count = 0;
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer.data() + 2, kBlockSize);
        if (got < 0) {
            std::fprintf(stderr, "cannot read %s: %s\n", argv[1], std::strerror(errno));
            return 1;
        }
        if (got == 0) {
            break;
        }
        const unsigned char* const end = buffer.data() + 2 + got;
        for (const unsigned char* p = buffer.data() + 2;
             (p = static_cast<const unsigned char*>(std::memchr(p, 1, end - p))) != nullptr; ++p) {
            if (p[-1] == 0 && p[-2] == 0) {
                ++count;
            }
        }
        std::memcpy(buffer.data(), end - 2, 2);
    }
    std::printf("%lld\n", count);
    return 0;
}
