#include "tools/picture_entries.h"

#include "analysis/header_kinds.h"

namespace velmora {

bool IsPictureEntry(const THeaderRecord& Entry) {
    return Entry.Kind == kind::PictureHeader && !Entry.Data.empty();
}

std::optional<int64_t> PictureEntryIndex(const THeaderList& Headers, int64_t Number) {
    if (Number < 1) {
        return std::nullopt;
    }
    int64_t seen = 0;
    for (int64_t i = 0; i < Headers.size(); ++i) {
        if (Headers.Kind(i) == kind::PictureHeader && IsPictureEntry(Headers[i]) && ++seen == Number) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace velmora
