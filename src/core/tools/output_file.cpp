#include "tools/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "io/file_lock.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

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

}  // namespace

TTargetFile InspectTarget(const std::string& Target) {
    TTargetFile target{Target};
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
    target.Device = st.st_dev;
    target.Inode = st.st_ino;
    return target;
}

bool SameFile(const std::string& A, const std::string& B) {
    std::error_code ec;
    return fs::equivalent(A, B, ec) && !ec;
}

TOutputFile::TOutputFile(const TTargetFile& Target) : target_(Target) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = TempNameFor(target_.Path, RandomSalt());
        // 0666 lets the umask decide, as for any newly created file.
        file_ = TFileHandle(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file_.valid() || errno != EEXIST) {
            break;
        }
    }
    if (!file_.valid()) {
        status_ = TToolStatus::Failure("can not create " + target_.Path + ": " + ErrnoText(errno));
        temp_.clear();
        return;
    }
    status_ = TToolStatus::Success();
}

TOutputFile::~TOutputFile() {
    if (!committed_ && !temp_.empty()) {
        file_.Close();
        ::unlink(temp_.c_str());
    }
}

TToolStatus TOutputFile::Commit() {
    if (!status_) {
        return status_;
    }
    if (!file_.Close()) {
        return TToolStatus::Failure("can not write " + target_.Path + ": " + ErrnoText(errno));
    }
    if (!target_.Exists) {
        // The usual case of a new name: no lock to respect. Should a file have appeared there meanwhile,
        // it is treated as an existing one.
        if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.Path.c_str(), RENAME_NOREPLACE) == 0) {
            committed_ = true;
            return TToolStatus::Success();
        }
        if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) {
            return TToolStatus::Failure("can not write " + target_.Path + ": " + ErrnoText(errno));
        }
    }
    return ReplaceExisting();
}

TToolStatus TOutputFile::ReplaceExisting() {
    // Holding the lock of the file being replaced keeps an analyser from opening it meanwhile.
    TFileHandle old(::open(target_.Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (old.valid()) {
        if (!TryLockExclusive(old.get())) {
            return TToolStatus::Failure("can not replace " + target_.Path +
                                        ": the file is locked by another program (is it being analysed?)");
        }
        struct stat st {};
        if (::fstat(old.get(), &st) == 0) {
            ::chmod(temp_.c_str(), st.st_mode & 07777);
        }
    } else if (errno != ENOENT) {
        return TToolStatus::Failure("can not write " + target_.Path + ": " + ErrnoText(errno));
    }
    if (::rename(temp_.c_str(), target_.Path.c_str()) != 0) {
        return TToolStatus::Failure("can not write " + target_.Path + ": " + ErrnoText(errno));
    }
    committed_ = true;
    return TToolStatus::Success();
}

}  // namespace velmora
