#include "container/video_extract.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "io/output_file.h"

namespace velmora {

namespace {

constexpr int64_t kCopyBlock = 512 * 1024;

}  // namespace

int64_t CopySource(IByteSource& Source, int64_t Count, TOutputFile& Out) {
    const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(kCopyBlock);
    int64_t copied = 0;
    while (Count < 0 || copied < Count) {
        const int64_t want = Count < 0 ? kCopyBlock : std::min(kCopyBlock, Count - copied);
        const int64_t got = Source.Read(buffer.get(), want);
        if (got <= 0) {
            break;
        }
        if (!Out.Write(
                std::string_view(reinterpret_cast<const char*>(buffer.get()), static_cast<size_t>(got)))) {
            return -1;
        }
        copied += got;
    }
    return copied;
}

TExtractResult ExtractVideoStream(int Fd, const std::string& FileName, const TContainerInfo& Info,
                                  size_t Index, const std::string& Target, TContainerLog Log) {
    TExtractResult result;
    if (SameFile(FileName, Target)) {
        result.Error = "the output file is the input file " + FileName;
        return result;
    }
    TOutputFile out(Target);
    if (!out.Ok()) {
        result.Error = out.Error();
        return result;
    }
    const std::unique_ptr<IByteSource> source = OpenVideoSource(Fd, FileName, Info, Index, std::move(Log));
    try {
        result.Bytes = CopySource(*source, -1, out);
    } catch (const EContainerReadError& e) {
        result.Error = e.what();
        return result;
    }
    if (result.Bytes < 0 || !out.Commit()) {
        result.Bytes = 0;
        result.Error = out.Error();
        return result;
    }
    result.Ok = true;
    return result;
}

}  // namespace velmora
