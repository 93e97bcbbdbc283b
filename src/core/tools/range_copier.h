// Copies byte ranges of one source file into other open files: in the kernel where it can
// (copy_file_range), else through a large buffer; holes of a sparse source stay holes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/file_handle.h"
#include "tools/tool_status.h"

namespace velmora {

enum class TCopyMethod {
    Kernel,    // copy_file_range, falling back to Buffered where the kernel cannot
    Buffered,  // pread/pwrite through a 4 MiB buffer
};

class TRangeCopier {
  public:
    // Opens Source for reading; Status() tells why when it could not.
    explicit TRangeCopier(const std::string& Source, TCopyMethod Method = TCopyMethod::Kernel);

    const TToolStatus& Status() const { return status_; }
    const std::string& Source() const { return source_; }
    int64_t SourceSize() const { return size_; }
    int fd() const { return file_.get(); }
    // Fails when the source is shorter than the analysis found it: the analysed positions then no
    // longer describe it. A longer one passes (an end code appended since, say).
    TToolStatus RequireSize(int64_t AnalysedSize) const;
    // True when the file with this device and inode number is the source.
    bool IsSource(uint64_t Device, uint64_t Inode) const { return Device == device_ && Inode == inode_; }

    // Copies Count bytes of the source from SrcOffset to Dst at DstOffset. Dst must hold nothing at or
    // beyond DstOffset (a new file, or an append), so skipped holes read as zeros. Fails when the range
    // reaches past the source's end or a read or write fails; the reason names DstName.
    TToolStatus Copy(int64_t SrcOffset, int64_t Count, int Dst, int64_t DstOffset,
                     const std::string& DstName);

  private:
    // Both return the failure's text, or "" when all bytes were copied.
    std::string CopyData(int64_t src, int64_t count, int dst, int64_t dstOffset, const std::string& dstName);
    std::string CopyBuffered(int64_t src, int64_t count, int dst, int64_t dstOffset,
                             const std::string& dstName);
    std::string SourceEnded(int64_t at) const;

    std::string source_;
    TCopyMethod method_;
    TFileHandle file_;
    int64_t size_ = 0;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    bool sparse_ = false;
    TToolStatus status_;
    std::unique_ptr<uint8_t[]> buffer_;
};

}  // namespace velmora
