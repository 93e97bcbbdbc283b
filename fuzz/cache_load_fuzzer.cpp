// Fuzz target: any byte sequence as the analysis cache of a small stream. The header's magic, stamp
// and size fields are set to match the stream, so the analyser trusts the file and every record path
// of the loader is reached; then every view is read.
#include <algorithm>
#include <vector>

#include "analysis_views.h"
#include "cache/cache_format.h"
#include "cache/cache_header.h"
#include "common/progress_sink.h"
#include "io/vob_file_stream.h"
#include "settings/processing_mode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    fuzz::SilenceMessageBoxes();
    // Written once: rewriting it would change the last-write time the stamp is compared with.
    static const std::string path = [] {
        const std::string p = (fuzz::ScratchFolder() / "stream.m2v").string();
        static const uint8_t kStream[] = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23,
                                          0x3A, 0x98, 0x20, 0xE0, 0x00, 0x00, 0x01, 0xB7};
        fuzz::WriteFile(p, kStream, sizeof kStream);
        return p;
    }();
    try {
        TM2VStream stream(path);
        TProgressValues bar;
        stream.SetProgressBar(&bar);
        stream.OnLog = [](const std::string&) {};
        // A shorter input is the start of a header whose other bytes are zero.
        std::vector<uint8_t> file(data, data + size);
        file.resize(std::max<size_t>(size, cache::kHeaderSize));
        cache::TCacheHeader header;
        std::copy_n(file.begin(), cache::kHeaderSize, header.Bytes.begin());
        std::copy(cache::kMagic.begin(), cache::kMagic.end(), header.Bytes.begin());
        header.Put<uint64_t>(cache::offset::Stamp, CacheStamp(stream.FLastWriteTime, stream.FFileSize));
        header.Put<uint32_t>(cache::offset::FileSizeBlocks,
                             static_cast<uint32_t>(stream.FFileSize / kReaderBufferSize));
        std::copy(header.Bytes.begin(), header.Bytes.end(), file.begin());
        fuzz::WriteFile(stream.CacheFileName(), file.data(), file.size());

        const TProcessingMode& tree = ProcessingModes()[kShowTreeMode];
        stream.FQuickMode = tree.FQuickMode;
        stream.FUseCache = tree.FUseCache;
        stream.FFirstRunOnly = tree.FFirstRunOnly;
        stream.ParseStream(true, tree.ExtendedRecords);
        if (size % 2 == 1) {
            // The reload at the end of a scan, with its own progress steps.
            stream.LoadCache(stream.CacheFileName(), false);
        }
        stream.CloseFile();
        fuzz::ReadAllViews(stream, size % 3 == 0 ? 7 : 200);
    } catch (const EParserFileException&) {
        // Another process holds the stream: nothing to test this time.
    } catch (const EVOBException&) {
        // The scratch folder could not hold the cache.
    }
    return 0;
}
