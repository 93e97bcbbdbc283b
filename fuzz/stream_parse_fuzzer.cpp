// Fuzz target: any byte sequence as a stream file, analysed in a processing mode chosen by the first
// byte, then read through every view. The cache-using modes analyse twice: the scan writes the cache,
// a second analyser loads it.
#include <filesystem>
#include <system_error>

#include "analysis/processing_options.h"
#include "analysis_views.h"
#include "common/progress_sink.h"
#include "io/vob_file_stream.h"
#include "settings/processing_mode.h"

namespace {

// Tree page sizes: single entries, an odd size that splits pictures from their extensions, a window
// page, and the whole list at once.
constexpr int64_t kPageSizes[] = {1, 7, 200, 1 << 30};

void AnalyseAndView(const std::string& path, int32_t mode, int64_t pageSize) {
    using namespace velmora;
    try {
        TM2VStream stream(path);
        TProgressValues bar;
        stream.SetProgressBar(&bar);
        stream.OnLog = [](const std::string&) {};
        const bool extended = ApplyProcessingMode(stream, mode);
        stream.ParseStream(true, extended);
        stream.CloseFile();
        fuzz::ReadAllViews(stream, pageSize);
    } catch (const EParserFileException&) {
        // An empty file cannot be opened for analysis.
    } catch (const EVOBException&) {
        // The scratch folder could not hold the cache.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    if (size == 0) {
        return 0;
    }
    fuzz::SilenceMessageBoxes();
    const int32_t mode = data[0] % 5;
    const int64_t pageSize = kPageSizes[(data[0] / 5) % 4];
    const std::string path = (fuzz::ScratchFolder() / "stream.m2v").string();
    std::error_code ec;
    std::filesystem::remove(path + ".vnf", ec);
    fuzz::WriteFile(path, data + 1, size - 1);
    AnalyseAndView(path, mode, pageSize);
    if (FindProcessingMode(mode)->FUseCache) {
        AnalyseAndView(path, kShowTreeMode, pageSize);
    }
    return 0;
}
