#include "tools/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/file_lock.h"
#include "io/output_file.h"

namespace velmora {

namespace {

TToolStatus CheckTarget(const std::string& Src, const std::string& Dst) {
    if (SameFile(Src, Dst)) {
        return TToolStatus::Failure("the target " + Dst + " is the source file itself");
    }
    return TToolStatus::Success();
}

TToolStatus CheckCount(int64_t Start, int64_t Count) {
    if (Count < 0) {
        return TToolStatus::Failure("the range ends at byte " + std::to_string(Start + Count) +
                                    ", before its start at byte " + std::to_string(Start));
    }
    return TToolStatus::Success();
}

}  // namespace

TToolStatus WriteRanges(TRangeCopier& Source, const std::string& Dst, std::span<const TByteRange> Ranges,
                        TLinks Links) {
    if (!Source.Status()) {
        return Source.Status();
    }
    const TTargetFile target = InspectTarget(Dst, Links);
    if (target.Exists && Source.IsSource(target.Device, target.Inode)) {
        return TToolStatus::Failure("the target " + Dst + " is the source file itself");
    }
    for (const TByteRange& range : Ranges) {
        if (TToolStatus count = CheckCount(range.Start, range.Count); !count) {
            return count;
        }
    }
    TOutputFile out(target);
    if (!out.Ok()) {
        return TToolStatus::Failure(out.Error());
    }
    int64_t written = 0;
    for (const TByteRange& range : Ranges) {
        if (TToolStatus copied = Source.Copy(range.Start, range.Count, out.fd(), written, Dst); !copied) {
            return copied;
        }
        written += range.Count;
    }
    return out.Commit() ? TToolStatus::Success() : TToolStatus::Failure(out.Error());
}

TToolStatus CopyData(const std::string& Src, const std::string& Dst, int64_t Start, int64_t Count) {
    TRangeCopier source(Src);
    const TByteRange range{Start, Count};
    return WriteRanges(source, Dst, std::span(&range, 1));
}

TToolStatus AppendData(const std::string& Src, const std::string& Dst, int64_t Start, int64_t Count) {
    if (TToolStatus count = CheckCount(Start, Count); !count) {
        return count;
    }
    if (TToolStatus target = CheckTarget(Src, Dst); !target) {
        return target;
    }
    TRangeCopier source(Src);
    if (!source.Status()) {
        return source.Status();
    }
    // copy_file_range refuses O_APPEND targets, so the copy writes at the explicit end offset.
    bool created = false;
    TFileHandle dst(::open(Dst.c_str(), O_WRONLY | O_CLOEXEC));
    if (!dst.valid() && errno == ENOENT) {
        dst = TFileHandle(::open(Dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        created = dst.valid();
    }
    if (!dst.valid()) {
        return TToolStatus::Failure("can not write " + Dst + ": " + ErrnoText(errno));
    }
    if (!TryLockExclusive(dst.get())) {
        return TToolStatus::Failure("can not write " + Dst +
                                    ": the file is locked by another program (is it being analysed?)");
    }
    struct stat st {};
    if (::fstat(dst.get(), &st) != 0) {
        return TToolStatus::Failure("can not write " + Dst + ": " + ErrnoText(errno));
    }
    TToolStatus copied = source.Copy(Start, Count, dst.get(), st.st_size, Dst);
    if (copied && !dst.Close()) {
        copied = TToolStatus::Failure("can not write " + Dst + ": " + ErrnoText(errno));
    }
    if (!copied) {
        if (created) {
            ::unlink(Dst.c_str());
        } else if (dst.valid()) {
            (void)::ftruncate(dst.get(), st.st_size);
        } else {
            (void)::truncate(Dst.c_str(), st.st_size);
        }
    }
    return copied;
}

}  // namespace velmora
