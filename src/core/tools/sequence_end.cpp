#include "tools/sequence_end.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>

#include "io/file_lock.h"
#include "tools/file_handle.h"

namespace velmora {

namespace {

constexpr uint8_t kSequenceEndCode[4] = {0x00, 0x00, 0x01, 0xB7};

// The file opened for change under its exclusive lock, with its size and whether it ends with the code.
struct TLockedFile {
    TFileHandle file;
    int64_t size = 0;
    bool endsWithCode = false;
};

TToolStatus OpenLocked(const std::string& name, TLockedFile& out) {
    out.file = TFileHandle(::open(name.c_str(), O_RDWR | O_CLOEXEC));
    if (!out.file.valid()) {
        return TToolStatus::Failure("can not open " + name + " for writing: " + ErrnoText(errno));
    }
    if (!TryLockExclusive(out.file.get())) {
        return TToolStatus::Failure("can not change " + name +
                                    ": the file is locked by another program (is it being analysed?)");
    }
    struct stat st {};
    if (::fstat(out.file.get(), &st) != 0) {
        return TToolStatus::Failure("can not read " + name + ": " + ErrnoText(errno));
    }
    out.size = st.st_size;
    uint8_t tail[4] = {};
    if (out.size >= 4) {
        if (::pread(out.file.get(), tail, 4, out.size - 4) != 4) {
            return TToolStatus::Failure("can not read " + name + ": " + ErrnoText(errno));
        }
        out.endsWithCode = std::memcmp(tail, kSequenceEndCode, 4) == 0;
    }
    return TToolStatus::Success();
}

bool RunWithLog(const std::function<TToolStatus()>& tool, const char* success, const char* failure,
                ILogSink* log) {
    const TToolStatus status = tool();
    if (log != nullptr) {
        if (status) {
            log->AddLog(logkind::Information, success, colour::Blue);
        } else {
            log->AddLog(logkind::Error, failure, colour::Red);
            log->AddLog(logkind::Error, "Reason: " + status.Reason + ".", colour::Red);
        }
    }
    return status.Ok;
}

}  // namespace

TToolStatus SetSequenceEnd(const std::string& FileName) {
    TLockedFile f;
    if (TToolStatus opened = OpenLocked(FileName, f); !opened) {
        return opened;
    }
    if (f.endsWithCode) {
        return TToolStatus::Failure(FileName + " already ends with a SEQUENCE_END code");
    }
    for (ssize_t written = 0; written < 4;) {
        const ssize_t n = ::pwrite(f.file.get(), kSequenceEndCode + written, 4 - written, f.size + written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // Never leave part of the code behind.
            (void)::ftruncate(f.file.get(), f.size);
            return TToolStatus::Failure("can not write " + FileName + ": " + ErrnoText(error));
        }
        written += n;
    }
    if (!f.file.Close()) {
        return TToolStatus::Failure("can not write " + FileName + ": " + ErrnoText(errno));
    }
    return TToolStatus::Success();
}

TToolStatus DeleteSequenceEnd(const std::string& FileName) {
    TLockedFile f;
    if (TToolStatus opened = OpenLocked(FileName, f); !opened) {
        return opened;
    }
    if (!f.endsWithCode) {
        return TToolStatus::Failure(FileName + " does not end with a SEQUENCE_END code");
    }
    if (::ftruncate(f.file.get(), f.size - 4) != 0 || !f.file.Close()) {
        return TToolStatus::Failure("can not change " + FileName + ": " + ErrnoText(errno));
    }
    return TToolStatus::Success();
}

bool SetSequenceEndWithLog(const std::string& FileName, ILogSink* Log) {
    return RunWithLog([&] { return SetSequenceEnd(FileName); }, "SEQUENCE_END code was seted.",
                      "SEQUENCE_END code was not seted!", Log);
}

bool DeleteSequenceEndWithLog(const std::string& FileName, ILogSink* Log) {
    return RunWithLog([&] { return DeleteSequenceEnd(FileName); }, "SEQUENCE_END code was deleted.",
                      "SEQUENCE_END code was not deleted!", Log);
}

}  // namespace velmora
