// Whole-file writes through a temporary file and a rename.
#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace velmora {
namespace {

[[noreturn]] void Fail(const std::string& action, const std::string& fileName, int error) {
    throw std::runtime_error("Can not " + action + " file " + fileName + ": " + std::strerror(error));
}

// Owns a file descriptor; closes it unless it was closed explicitly to check the result.
class TFd {
  public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }
    // Returns 0 or the errno of a failed close (a delayed write error shows up here).
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

// Returns 0 or the errno of the failed write.
int WriteAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t n = ::write(fd, contents.data(), contents.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        contents.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

void WriteInPlace(const std::string& fileName, std::string_view contents) {
    TFd fd(::open(fileName.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        Fail("create", fileName, errno);
    }
    int error = WriteAll(fd.get(), contents);
    if (error == 0) {
        error = fd.Close();
    }
    if (error != 0) {
        Fail("write", fileName, error);
    }
}

struct TTemporary {
    int fd = -1;
    int error = 0;
    std::string name;
};

// Creates a new file with a name of its own beside target; mode 0666 less the umask.
TTemporary CreateTemporary(const std::filesystem::path& target) {
    std::random_device seed;
    std::mt19937 random(seed());
    TTemporary temporary;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = target;
        std::string name = ".";
        name += target.filename().string();
        name += ".tmp";
        name += std::to_string(random() % 1000000);
        candidate.replace_filename(name);
        temporary.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        temporary.error = temporary.fd < 0 ? errno : 0;
        if (temporary.error != EEXIST) {
            temporary.name = candidate.string();
            break;
        }
    }
    return temporary;
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, std::string_view contents) {
    struct stat existing {};
    const bool exists = ::stat(fileName.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        Fail("create", fileName, EISDIR);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        WriteInPlace(fileName, contents);
        return;
    }

    std::filesystem::path target(fileName);
    struct stat link {};
    if (exists && ::lstat(fileName.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::error_code ec;
        const std::filesystem::path resolved = std::filesystem::canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }

    const TTemporary temporary = CreateTemporary(target);
    if (temporary.fd < 0) {
        Fail("create", fileName, temporary.error);
    }
    TFd fd(temporary.fd);
    int error = WriteAll(fd.get(), contents);
    if (error == 0 && exists && ::fchmod(fd.get(), existing.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd.get()) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = fd.Close();
    }
    if (error == 0 && ::rename(temporary.name.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.name.c_str());
        Fail("write", fileName, error);
    }
}

}  // namespace velmora
