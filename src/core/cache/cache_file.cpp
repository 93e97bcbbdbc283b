// The analysis cache file on disk: the validity test, creating it for a scan and rewriting its
// header once the scan's results are known.
#include <filesystem>
#include <system_error>

#include "analysis/m2v_stream.h"
#include "cache/cache_header.h"
#include "io/output_file.h"
#include "io/vob_file_stream.h"

namespace velmora {

namespace {

// Reads the first 443 bytes of the cache file; false when it is missing, unreadable or shorter.
bool ReadCacheHeader(const std::string& name, cache::TCacheHeader& header) {
    // A link at the cache's name is never followed: the cache is a name the program makes up.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(name, ec))) {
        return false;
    }
    try {
        TVobFileStream file(name, 0, false);
        const int32_t got = file.Read(header.Bytes.data(), cache::kHeaderSize);
        file.Close();
        return got == cache::kHeaderSize;
    } catch (const EVOBException&) {
        return false;
    }
}

}  // namespace

bool TM2VStream::IsCacheValid() const {
    cache::TCacheHeader header;
    if (!ReadCacheHeader(CacheFileName(), header)) {
        return false;
    }
    // The stamp alone would accept a foreign file or a stream replaced within the clock's resolution.
    // A zero stamp is an unfinished cache, whatever the stream.
    const cache::TCacheHeader expected = BuildCacheHeader(*this, true);
    using namespace cache;
    const uint64_t stamp = header.Get<uint64_t>(offset::Stamp);
    return stamp != 0 && stamp == expected.Get<uint64_t>(offset::Stamp) && header.HasMagic() &&
           header.Get<uint32_t>(offset::FileSizeBlocks) == expected.Get<uint32_t>(offset::FileSizeBlocks);
}

bool TM2VStream::OpenCacheForScan() {
    // A stale cache stays until a complete new one replaces it; it no longer matches the stream, so it
    // is never loaded meanwhile.
    const TTargetFile target = InspectTarget(CacheFileName(), TLinks::Refuse);
    if (target.Regular && SameFile(CacheFileName(), FFileName)) {
        FCacheError = "it is the source file itself";
        return false;
    }
    auto output = std::make_unique<TOutputFile>(target);
    if (!output->Ok()) {
        FCacheError = output->Reason();
        return false;
    }
    auto stream = std::make_unique<TVobFileStream>(output->TemporaryName(), 1, true);
    const cache::TCacheHeader header = BuildCacheHeader(*this, false);
    stream->Write(header.Bytes.data(), cache::kHeaderSize);
    if (stream->Failed()) {
        stream->Close();
        return false;
    }
    FCacheOutput = std::move(output);
    FCacheStream = std::move(stream);
    return true;
}

bool TM2VStream::StreamChangedSinceOpened() const {
    return FReader && (FReader->FileSize() != FFileSize || FReader->GetLastWriteTime() != FLastWriteTime);
}

std::string TM2VStream::CacheWriteName() const {
    return FCacheOutput ? FCacheOutput->TemporaryName() : CacheFileName();
}

bool TM2VStream::RewriteCacheHeader() {
    const std::string name = CacheWriteName();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) {
        return false;
    }
    const cache::TCacheHeader header = BuildCacheHeader(*this, true);
    TVobFileStream file(name, 1, false);
    file.Write(header.Bytes.data(), cache::kHeaderSize);
    return file.Close();
}

bool TM2VStream::CommitCache() {
    if (!FCacheOutput) {
        return true;
    }
    const bool committed = FCacheOutput->Commit();
    if (!committed) {
        FCacheError = FCacheOutput->Reason();
    }
    FCacheOutput.reset();
    return committed;
}

}  // namespace velmora
