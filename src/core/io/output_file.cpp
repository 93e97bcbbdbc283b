// Whole-file writes through a temporary file beside the target and a rename.
#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "io/file_lock.h"
#include "io/temporary_files.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

bool g_namedTemporaryFiles = false;

// The longest file name the folder takes.
size_t NameMax(const std::string& folder) {
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<size_t>(max) : 255;
}

std::string FolderOf(const fs::path& path) {
    const std::string folder = path.parent_path().string();
    return folder.empty() ? "." : folder;
}

// ".NAME.xxxxxxxx.part" beside the target. Only the copy of the name is shortened, so a target whose
// name is as long as the folder allows still gets a temporary file.
std::string TempNameFor(const std::string& target, uint32_t salt) {
    const fs::path path(target);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.part", salt);
    const std::string base = path.filename().string();
    const size_t room = NameMax(FolderOf(path)) - 1 - std::strlen(suffix);
    size_t keep = std::min(base.size(), room);
    // A cut inside a UTF-8 character would leave a name that file managers show as garbage.
    while (keep > 0 && keep < base.size() && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + std::string.
    std::string name = ".";
    name.append(base, 0, keep);
    name += suffix;
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

TTargetFile InspectTarget(const std::string& Target, TLinks Links) {
    TTargetFile target{Target, Target, Links};
    struct stat st {};
    if (::lstat(Target.c_str(), &st) != 0) {
        return target;
    }
    if (S_ISLNK(st.st_mode)) {
        if (Links == TLinks::Refuse) {
            target.Exists = true;
            target.Link = true;
            return target;
        }
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

void UseNamedTemporaryFiles(bool Named) {
    g_namedTemporaryFiles = Named;
}

TOutputFile::TOutputFile(const std::string& Target) : TOutputFile(InspectTarget(Target)) {}

TOutputFile::TOutputFile(const TTargetFile& Target) : target_(Target) {
    if (target_.Link) {
        Fail("write", "it is a symbolic link, which is not followed");
        return;
    }
    if (target_.Directory) {
        Fail("create", ErrorText(EISDIR));
        return;
    }
    if (target_.Exists && !target_.Regular) {
        // Renaming over a device node would replace the node itself (as root, even /dev/null).
        Fail("replace", "not a regular file");
        return;
    }
    const fs::path path(target_.Path);
    const std::string folder = FolderOf(path);
    // Said now rather than after the whole file has been written.
    if (path.filename().string().size() > NameMax(folder)) {
        Fail("create", ErrorText(ENAMETOOLONG));
        return;
    }
    if (!g_namedTemporaryFiles && CreateUnnamed(folder)) {
        return;
    }
    CreateNamed(100);
}

bool TOutputFile::CreateUnnamed(const std::string& folder) {
    // 0666 lets the umask decide, as for any newly created file.
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;  // the file system has no unnamed files (or the folder fails: said by the named try)
    }
    // The file is linked and reopened through its /proc name; without /proc it has to have a name.
    const std::string unnamed = "/proc/self/fd/" + std::to_string(fd);
    struct stat st {};
    if (::stat(unnamed.c_str(), &st) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    unnamed_ = unnamed;
    return true;
}

bool TOutputFile::CreateNamed(int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::string candidate = TempNameFor(target_.Path, RandomSalt());
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            // Registered once it is ours: a signal never removes a file of the same name made by another.
            temp_ = candidate;
            registration_ = RegisterTemporaryFile(temp_.c_str());
            return true;
        }
        const int error = errno;
        if (error != EEXIST) {
            return Fail("create", ErrorText(error));
        }
    }
    return Fail("create", ErrorText(EEXIST));
}

bool TOutputFile::LinkUnnamed() {
    // linkat never replaces a name: an existing target is replaced by a rename from a short-lived name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = TempNameFor(target_.Path, RandomSalt());
        if (::linkat(AT_FDCWD, unnamed_.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_ = candidate;
            registration_ = RegisterTemporaryFile(temp_.c_str());
            return true;
        }
        const int error = errno;
        if (error != EEXIST) {
            return Fail("write", ErrorText(error));
        }
    }
    return Fail("write", ErrorText(EEXIST));
}

void TOutputFile::ForgetTemporaryName() {
    UnregisterTemporaryFile(registration_);
    registration_ = -1;
}

TOutputFile::~TOutputFile() {
    CloseHandle();
    if (!committed_ && !temp_.empty()) {
        ::unlink(temp_.c_str());
    }
    ForgetTemporaryName();
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
        reason_ = reason;
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
    if (temp_.empty()) {
        // An unnamed file takes a new name directly; linkat, like RENAME_NOREPLACE, never replaces.
        if (!target_.Exists) {
            if (::linkat(AT_FDCWD, unnamed_.c_str(), AT_FDCWD, target_.Path.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                const int fd = fd_;
                fd_ = -1;
                if (::close(fd) != 0) {
                    const int error = errno;
                    ::unlink(target_.Path.c_str());
                    return Fail("write", ErrorText(error));
                }
                committed_ = true;
                return true;
            }
            if (errno != EEXIST) {
                return Fail("write", ErrorText(errno));
            }
        }
        if (!LinkUnnamed()) {
            return false;
        }
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
            ForgetTemporaryName();
            return true;
        }
        if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) {
            return Fail("write", ErrorText(errno));
        }
    }
    return ReplaceExisting();
}

bool TOutputFile::ReplaceExisting() {
    // Holding the lock of the file being replaced keeps an analyser from opening it meanwhile. A made-up
    // name is never followed, should a link have appeared there since it was inspected.
    const int noFollow = target_.Links == TLinks::Refuse ? O_NOFOLLOW : 0;
    const int old = ::open(target_.Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | noFollow);
    if (old < 0 && errno == ELOOP && noFollow != 0) {
        return Fail("write", "it is a symbolic link, which is not followed");
    }
    if (old < 0 && errno != ENOENT) {
        return Fail("write", ErrorText(errno));
    }
    bool replaced = false;
    struct stat st {};
    if (old >= 0 && (::fstat(old, &st) != 0 || !S_ISREG(st.st_mode))) {
        Fail("replace", "not a regular file");
    } else if (old < 0 || TryLockExclusive(old)) {
        if (old >= 0) {
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
    if (replaced) {
        ForgetTemporaryName();
    }
    return replaced;
}

void WriteFileAtomically(const std::string& FileName, std::string_view Contents, const std::string& Source) {
    if (!Source.empty() && SameFile(Source, FileName)) {
        throw std::runtime_error("Can not write " + FileName + ": the target is the source file itself");
    }
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
