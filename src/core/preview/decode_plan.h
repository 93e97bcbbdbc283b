// Which pictures of the header list the preview feeds to the decoder for one picture, and where in
// the stream their search starts. Pure list logic; the bytes are found by the picture units reader.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/header_list.h"

namespace velmora {

struct TPlannedPicture {
    int64_t Entry = 0;       // list index of the picture header
    int64_t FrameEntry = 0;  // list index of the first field of its frame (itself for a frame picture)
    int32_t TemporalReference = 0;
    int32_t CodingType = 0;
    bool Feed = false;  // decoded: a reference picture, or a field of the wanted frame
};

struct TDecodePlan {
    int64_t FrameEntry = 0;  // the wanted frame, by the list index of its first field
    // Every picture from the first decoded one (an I picture) to the end of the wanted frame, in
    // stream order; pictures that are not fed are still here so the reader can count them.
    std::vector<TPlannedPicture> Pictures;
    // A sequence header to feed first, when the first picture's GOP does not start with one; -1 when
    // it does.
    int64_t SequenceHeaderPosition = -1;
    // The search starts here and passes this many picture start codes before the first picture's.
    int64_t ScanFrom = 0;
    int64_t PicturesToSkip = 0;
};

// The plan for the picture header at list index Index. Throws EPreviewError when Index is no picture
// or no I picture and sequence header come before it.
TDecodePlan PlanPictureDecode(const THeaderList& Headers, int64_t Index);

}  // namespace velmora
