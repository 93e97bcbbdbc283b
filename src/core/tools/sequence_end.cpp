#include "tools/sequence_end.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>

#include "io/file_lock.h"
#include "tools/file_handle.h"

namespace velmora {

namespace {

constexpr uint8_t kSequenceEndCode[4] = {0x00, 0x00, 0x01, 0xB7};

// The file opened for change under its exclusive lock, with its size and its last bytes.
struct TLockedFile {
    TFileHandle file;
    int64_t size = 0;
    uint8_t tail[4] = {};  // the last min(size, 4) bytes, at the end of the array
    bool endsWithCode = false;
};

TToolStatus OpenLocked(const std::string& name, TLockedFile& out) {
    // Only a regular file is changed in place: a device reports size 0 and would be written at its
    // start. Its write permission counts even for root, who could otherwise open it anyway.
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        return TToolStatus::Failure("can not open " + name + " for writing: " + ErrnoText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return TToolStatus::Failure("can not change " + name + ": not a regular file");
    }
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return TToolStatus::Failure(name + " is read-only");
    }
    out.file = TFileHandle(::open(name.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!out.file.valid()) {
        return TToolStatus::Failure("can not open " + name + " for writing: " + ErrnoText(errno));
    }
    // The name may have been replaced since it was looked at.
    if (::fstat(out.file.get(), &st) != 0) {
        return TToolStatus::Failure("can not read " + name + ": " + ErrnoText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return TToolStatus::Failure("can not change " + name + ": not a regular file");
    }
    if (!TryLockExclusive(out.file.get())) {
        return TToolStatus::Failure("can not change " + name +
                                    ": the file is locked by another program (is it being analysed?)");
    }
    out.size = st.st_size;
    const int64_t count = std::min<int64_t>(out.size, 4);
    if (count > 0 && ::pread(out.file.get(), out.tail + 4 - count, count, out.size - count) != count) {
        return TToolStatus::Failure("can not read " + name + ": " + ErrnoText(errno));
    }
    out.endsWithCode = out.size >= 4 && std::memcmp(out.tail, kSequenceEndCode, 4) == 0;
    return TToolStatus::Success();
}

// True when the file ends with 00 00 01: a code appended there would make that prefix a start code of
// its own. Trailing zero bytes are stuffing that may stand before any start code, so they stay.
bool EndsInsideStartCode(const TLockedFile& f) {
    const uint8_t* last = f.tail + 4;
    return f.size >= 3 && last[-3] == 0x00 && last[-2] == 0x00 && last[-1] == 0x01;
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
    if (EndsInsideStartCode(f)) {
        return TToolStatus::Failure(FileName + " ends inside a start code; nothing changed");
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
