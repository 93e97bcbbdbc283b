// The file range copiers of the editing tools. Lengths are 64-bit; every copier reports failure (source
// unreadable, target not creatable, range outside the source, short write, disk full) with its reason.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "io/output_file.h"
#include "tools/range_copier.h"
#include "tools/tool_status.h"

namespace velmora {

struct TByteRange {
    int64_t Start = 0;
    int64_t Count = 0;
};

// Writes the ranges of the source, one after the other, to the file Dst. Dst is replaced only once all
// bytes are written; on failure an existing Dst stays as it was. Refuses a Dst that is the source, and
// with TLinks::Refuse (a name the program made up) a link at Dst.
TToolStatus WriteRanges(TRangeCopier& Source, const std::string& Dst, std::span<const TByteRange> Ranges,
                        TLinks Links = TLinks::Follow);

// Writes Count bytes of Src from Start to the file Dst, replacing it when complete.
TToolStatus CopyData(const std::string& Src, const std::string& Dst, int64_t Start, int64_t Count);

// Appends Count bytes of Src from Start to the end of Dst, creating it when missing. On failure Dst is
// cut back to its former length (or removed when it was created here).
TToolStatus AppendData(const std::string& Src, const std::string& Dst, int64_t Start, int64_t Count);

}  // namespace velmora
