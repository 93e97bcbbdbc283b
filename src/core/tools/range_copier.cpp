#include "tools/range_copier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velmora {

namespace {

constexpr size_t kBufferSize = 4 << 20;
// copy_file_range moves at most about 2 GiB per call.
constexpr int64_t kKernelChunk = int64_t{1} << 30;

bool KernelCannotCopy(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL || error == ETXTBSY;
}

}  // namespace

TRangeCopier::TRangeCopier(const std::string& Source, TCopyMethod Method) : source_(Source), method_(Method) {
    file_ = TFileHandle(::open(Source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!file_.valid() || ::fstat(file_.get(), &st) != 0) {
        status_ = TToolStatus::Failure("can not read " + Source + ": " + ErrnoText(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        status_ = TToolStatus::Failure("can not read " + Source + ": not a regular file");
        return;
    }
    size_ = st.st_size;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    // Fewer blocks than bytes means the file may have holes worth skipping.
    sparse_ = int64_t{st.st_blocks} * 512 < size_;
    status_ = TToolStatus::Success();
}

TToolStatus TRangeCopier::RequireSize(int64_t AnalysedSize) const {
    if (!status_ || size_ >= AnalysedSize) {
        return status_;
    }
    return TToolStatus::Failure(source_ + " is shorter than when it was analysed (" + std::to_string(size_) +
                                " of " + std::to_string(AnalysedSize) + " bytes)");
}

TToolStatus TRangeCopier::Copy(int64_t SrcOffset, int64_t Count, int Dst, int64_t DstOffset,
                               const std::string& DstName) {
    if (!status_) {
        return status_;
    }
    if (SrcOffset < 0 || Count < 0 || SrcOffset > size_ || Count > size_ - SrcOffset) {
        return TToolStatus::Failure("bytes " + std::to_string(SrcOffset) + " to " +
                                    std::to_string(SrcOffset + Count) + " lie outside " + source_ + " (" +
                                    std::to_string(size_) + " bytes)");
    }
    int64_t done = 0;
    int64_t copiedEnd = SrcOffset;
    while (done < Count) {
        int64_t dataStart = SrcOffset + Count;
        int64_t dataEnd = dataStart;
        if (sparse_) {
            const off_t data = ::lseek(file_.get(), SrcOffset + done, SEEK_DATA);
            if (data < 0 && errno != ENXIO) {
                // No hole information: copy the rest as data.
                dataStart = SrcOffset + done;
            } else if (data >= 0 && data < SrcOffset + Count) {
                dataStart = data;
                const off_t hole = ::lseek(file_.get(), data, SEEK_HOLE);
                dataEnd = hole >= 0 ? std::min<int64_t>(hole, SrcOffset + Count) : SrcOffset + Count;
            }
        } else {
            dataStart = SrcOffset + done;
            dataEnd = SrcOffset + Count;
        }
        if (dataStart < dataEnd) {
            const std::string error =
                CopyData(dataStart, dataEnd - dataStart, Dst, DstOffset + (dataStart - SrcOffset), DstName);
            if (!error.empty()) {
                return TToolStatus::Failure(error);
            }
            copiedEnd = dataEnd;
        }
        done = dataEnd - SrcOffset;
    }
    if (copiedEnd == SrcOffset + Count) {
        return TToolStatus::Success();
    }
    // A hole at the end of the range: give the target its full length.
    struct stat st {};
    if (::fstat(Dst, &st) != 0) {
        return TToolStatus::Failure("can not write " + DstName + ": " + ErrnoText(errno));
    }
    if (st.st_size < DstOffset + Count && ::ftruncate(Dst, DstOffset + Count) != 0) {
        return TToolStatus::Failure("can not write " + DstName + ": " + ErrnoText(errno));
    }
    return TToolStatus::Success();
}

std::string TRangeCopier::SourceEnded(int64_t at) const {
    return source_ + " ended before byte " + std::to_string(at) + " (was it changed since it was analysed?)";
}

std::string TRangeCopier::CopyData(int64_t src, int64_t count, int dst, int64_t dstOffset,
                                   const std::string& dstName) {
    if (method_ == TCopyMethod::Buffered) {
        return CopyBuffered(src, count, dst, dstOffset, dstName);
    }
    loff_t in = src;
    loff_t out = dstOffset;
    const int64_t end = src + count;
    while (in < end) {
        const ssize_t n = ::copy_file_range(file_.get(), &in, dst, &out,
                                            static_cast<size_t>(std::min(end - in, kKernelChunk)), 0);
        if (n > 0) {
            continue;
        }
        if (n == 0) {
            return SourceEnded(end);
        }
        if (errno == EINTR) {
            continue;
        }
        if (KernelCannotCopy(errno)) {
            method_ = TCopyMethod::Buffered;
            return CopyBuffered(in, end - in, dst, out, dstName);
        }
        // The kernel does not say which side failed; a full disk or a size limit is by far the likeliest.
        return "can not write " + dstName + ": " + ErrnoText(errno);
    }
    return {};
}

std::string TRangeCopier::CopyBuffered(int64_t src, int64_t count, int dst, int64_t dstOffset,
                                       const std::string& dstName) {
    if (!buffer_) {
        buffer_ = std::make_unique<uint8_t[]>(kBufferSize);
    }
    while (count > 0) {
        const ssize_t got = ::pread(file_.get(), buffer_.get(),
                                    static_cast<size_t>(std::min<int64_t>(count, kBufferSize)), src);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return "can not read " + source_ + ": " + ErrnoText(errno);
        }
        if (got == 0) {
            return SourceEnded(src + count);
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t n = ::pwrite(dst, buffer_.get() + written, static_cast<size_t>(got - written),
                                       dstOffset + written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return "can not write " + dstName + ": " + ErrnoText(n < 0 ? errno : ENOSPC);
            }
            written += n;
        }
        src += got;
        dstOffset += got;
        count -= got;
    }
    return {};
}

}  // namespace velmora
