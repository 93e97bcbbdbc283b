// Processing mode to analyser options.
#include "analysis/processing_options.h"

#include <filesystem>
#include <system_error>

#include "analysis/m2v_stream.h"
#include "settings/processing_mode.h"

namespace velmora {

bool ApplyProcessingMode(TM2VStream& Stream, int32_t Index) {
    const TProcessingMode* mode = FindProcessingMode(Index);
    if (mode == nullptr) {
        return false;
    }
    Stream.FQuickMode = mode->FQuickMode;
    Stream.FUseCache = mode->FUseCache;
    Stream.FFirstRunOnly = mode->FFirstRunOnly;
    if (mode->DeletesCacheFirst) {
        std::error_code ec;
        std::filesystem::remove(Stream.CacheFileName(), ec);
    }
    return mode->ExtendedRecords;
}

}  // namespace velmora
