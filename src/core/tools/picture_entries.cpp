#include "tools/picture_entries.h"

#include "analysis/header_kinds.h"
#include "analysis/records.h"

namespace velmora {

bool IsPictureEntry(const THeaderRecord& Entry) {
    return Entry.Kind == kind::PictureHeader && !Entry.Data.empty();
}

std::optional<int64_t> PictureCutPosition(const THeaderList& Headers, int64_t Number) {
    if (Number < 1) {
        return std::nullopt;
    }
    int64_t seen = 0;
    for (int64_t i = 0; i < Headers.size(); ++i) {
        if (Headers.Kind(i) == kind::PictureHeader) {
            const THeaderRecord entry = Headers[i];
            if (IsPictureEntry(entry) && ++seen == Number) {
                // Copied out first: the record is packed, and the optional would bind a reference to
                // the unaligned field.
                const int64_t position = entry.As<TPictureHeaderRecord>().file_position;
                return position;
            }
        }
    }
    return std::nullopt;
}

}  // namespace velmora
