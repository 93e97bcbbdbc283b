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

std::string ResolveLinks(const std::string& target) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path real = fs::weakly_canonical(target, ec);
        if (!ec) {
            return real.string();
        }
    }
    return target;
}

std::string TempNameFor(const std::string& target, uint32_t salt) {
    const fs::path path(target);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", salt);
    return (path.parent_path() / ("." + path.filename().string() + "." + suffix + ".part")).string();
}

}  // namespace

bool SameFile(const std::string& A, const std::string& B) {
    std::error_code ec;
    return fs::equivalent(A, B, ec) && !ec;
}

TOutputFile::TOutputFile(const std::string& Target) : target_(ResolveLinks(Target)) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = TempNameFor(target_, random());
        // 0666 lets the umask decide, as for any newly created file.
        file_ = TFileHandle(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file_.valid() || errno != EEXIST) {
            break;
        }
    }
    if (!file_.valid()) {
        status_ = TToolStatus::Failure("can not create " + Target + ": " + ErrnoText(errno));
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
    // Holding the lock of the file being replaced keeps an analyser from opening it meanwhile.
    TFileHandle old(::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (old.valid()) {
        if (!TryLockExclusive(old.get())) {
            return TToolStatus::Failure("can not replace " + target_ +
                                        ": the file is locked by another program (is it being analysed?)");
        }
        struct stat st {};
        if (::fstat(old.get(), &st) == 0) {
            ::fchmod(file_.get(), st.st_mode & 07777);
        }
    } else if (errno != ENOENT) {
        return TToolStatus::Failure("can not write " + target_ + ": " + ErrnoText(errno));
    }
    if (!file_.Close()) {
        return TToolStatus::Failure("can not write " + target_ + ": " + ErrnoText(errno));
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        return TToolStatus::Failure("can not write " + target_ + ": " + ErrnoText(errno));
    }
    committed_ = true;
    return TToolStatus::Success();
}

}  // namespace velmora
