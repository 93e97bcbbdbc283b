// Whole-file writes through a temporary file beside the target and a rename.
#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "io/file_lock.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

std::string TempNameFor(const std::string& target, uint32_t salt) {
    const fs::path path(target);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", salt);
    std::string name = ".";
    name += path.filename().string();
    name += '.';
    name += suffix;
    name += ".part";
    return (path.parent_path() / name).string();
}

uint32_t RandomSalt() {
    // One seed per process; the name only has to differ from files already in the folder.
    static std::minstd_rand random(std::random_device{}());
    return static_cast<uint32_t>(random());
}

// Returns 0 or the errno of the failed write.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ENOSPC;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// A device or pipe cannot be replaced by a rename: it is written directly.
void WriteInPlace(const std::string& fileName, std::string_view contents) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("Can not write " + fileName + ": " + ErrorText(errno));
    }
    int error = WriteAll(fd, contents);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        throw std::runtime_error("Can not write " + fileName + ": " + ErrorText(error));
    }
}

}  // namespace

TTargetFile InspectTarget(const std::string& Target) {
    TTargetFile target{Target, Target};
    struct stat st {};
    if (::lstat(Target.c_str(), &st) != 0) {
        return target;
    }
    if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        const fs::path real = fs::weakly_canonical(Target, ec);
        if (!ec) {
            target.Path = real.string();
        }
        if (::stat(target.Path.c_str(), &st) != 0) {
            return target;
        }
    }
    target.Exists = true;
    target.Regular = S_ISREG(st.st_mode);
    target.Directory = S_ISDIR(st.st_mode);
    target.Device = st.st_dev;
    target.Inode = st.st_ino;
    return target;
}

bool SameFile(const std::string& A, const std::string& B) {
    std::error_code ec;
    return fs::equivalent(A, B, ec) && !ec;
}

TOutputFile::TOutputFile(const std::string& Target) : TOutputFile(InspectTarget(Target)) {}

TOutputFile::TOutputFile(const TTargetFile& Target) : target_(Target) {
    if (target_.Directory) {
        Fail("create", ErrorText(EISDIR));
        return;
    }
    if (target_.Exists && !target_.Regular) {
        // Renaming over a device node would replace the node itself (as root, even /dev/null).
        Fail("replace", "not a regular file");
        return;
    }
    std::string candidate;
    for (int attempt = 0; attempt < 100; ++attempt) {
        candidate = TempNameFor(target_.Path, RandomSalt());
        // 0666 lets the umask decide, as for any newly created file.
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        Fail("create", ErrorText(errno));
        return;
    }
    temp_ = candidate;
}

TOutputFile::~TOutputFile() {
    CloseHandle();
    if (!committed_ && !temp_.empty()) {
        ::unlink(temp_.c_str());
    }
}

void TOutputFile::CloseHandle() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool TOutputFile::Fail(const char* action, const std::string& reason) {
    if (error_.empty()) {
        error_ = std::string("can not ") + action + " " + target_.Name + ": " + reason;
    }
    return false;
}

bool TOutputFile::Write(std::string_view Bytes) {
    if (!Ok()) {
        return false;
    }
    const int error = WriteAll(fd_, Bytes);
    return error == 0 || Fail("write", ErrorText(error));
}

bool TOutputFile::Commit() {
    if (!Ok() || committed_) {
        return Ok();
    }
    // A new file needs no flush: nothing good stood there. A replaced one must be on disk before the
    // rename makes the old one unreachable.
    if (target_.Exists && ::fsync(fd_) != 0) {
        return Fail("write", ErrorText(errno));
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        return Fail("write", ErrorText(errno));
    }
    if (!target_.Exists) {
        // The usual case of a new name: no lock to respect. Should a file have appeared there meanwhile,
        // it is treated as an existing one.
        if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.Path.c_str(), RENAME_NOREPLACE) == 0) {
            committed_ = true;
            return true;
        }
        if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) {
            return Fail("write", ErrorText(errno));
        }
    }
    return ReplaceExisting();
}

bool TOutputFile::ReplaceExisting() {
    // Holding the lock of the file being replaced keeps an analyser from opening it meanwhile.
    const int old = ::open(target_.Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (old < 0 && errno != ENOENT) {
        return Fail("write", ErrorText(errno));
    }
    bool replaced = false;
    if (old < 0 || TryLockExclusive(old)) {
        struct stat st {};
        if (old >= 0 && ::fstat(old, &st) == 0) {
            ::chmod(temp_.c_str(), st.st_mode & 07777);
        }
        replaced = ::rename(temp_.c_str(), target_.Path.c_str()) == 0;
        if (!replaced) {
            Fail("write", ErrorText(errno));
        }
    } else {
        Fail("replace", "the file is locked by another program (is it being analysed?)");
    }
    if (old >= 0) {
        ::close(old);
    }
    committed_ = replaced;
    return replaced;
}

void WriteFileAtomically(const std::string& FileName, std::string_view Contents) {
    const TTargetFile target = InspectTarget(FileName);
    if (target.Exists && !target.Regular && !target.Directory) {
        WriteInPlace(FileName, Contents);
        return;
    }
    TOutputFile out(target);
    if (!out.Write(Contents) || !out.Commit()) {
        std::string message = out.Error();
        message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        throw std::runtime_error(message);
    }
}

}  // namespace velmora
