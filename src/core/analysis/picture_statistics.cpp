// Picture statistics: picture, field and frame counts, the largest GOP and the pulldown decision.
#include <algorithm>
#include <cmath>

#include "analysis/m2v_stream.h"
#include "present/value_tables.h"
#include "text/rounding.h"

namespace velmora {

void TM2VStream::MarkDisplayIndex(int32_t Index) {
    if (Index >= 0 && Index < kDisplayIndexMapSize) {
        if (static_cast<size_t>(Index) >= FDisplayIndexMap.size()) {
            FDisplayIndexMap.resize(
                std::max<size_t>(static_cast<size_t>(Index) + 1, 2 * FDisplayIndexMap.size()));
        }
        FDisplayIndexMap[static_cast<size_t>(Index)] = true;
        FLastDisplayIndex = Index;
    }
}

bool TM2VStream::IsDisplayIndexMarked(int32_t Index) const {
    return Index >= 0 && static_cast<size_t>(Index) < FDisplayIndexMap.size() &&
           FDisplayIndexMap[static_cast<size_t>(Index)];
}

bool TM2VStream::IsNearIndexMarked(int32_t Index) const {
    return IsDisplayIndexMarked(Index - 1) || IsDisplayIndexMarked(Index - 2) ||
           IsDisplayIndexMarked(Index - 3);
}

void TM2VStream::CountMpeg1Picture() {
    const int32_t type = FPictureHeader.picture_coding_type;
    const int32_t index = FPictureHeader.display_index;
    if (type < 1 || type > 3) {
        return;
    }
    bool count = false;
    if (FLastDisplayIndex < 0) {
        count = true;
        MarkDisplayIndex(index);
    } else if (index == FLastDisplayIndex) {
        ++FRepeatedIndexCount;
    } else if (!IsDisplayIndexMarked(index)) {
        count = true;
        MarkDisplayIndex(index);
    } else {
        count = IsNearIndexMarked(index);
    }
    if (count) {
        FPictureCount += 1.0;
        FGopPictureCount += 1.0;
    }
}

void TM2VStream::CountMpeg1PictureStep() {
    CountMpeg1Picture();
    FFieldCount += 2;
    UpdateGopMaximum();
}

void TM2VStream::CountMpeg2PictureStep() {
    const int32_t structure = FPictureCodingExtension.picture_structure;
    FFieldCount += 1;
    if (FPictureCodingExtension.repeat_first_field != 0) {
        FFieldCount += 1;
    }
    if (structure == 1 || structure == 2) {
        FPictureCount += 0.5;
        FGopPictureCount += 0.5;
    } else if (structure == 3) {
        FPictureCount += 1.0;
        FGopPictureCount += 1.0;
        FFieldCount += 1;
    }
    UpdateGopMaximum();
}

void TM2VStream::UpdateGopMaximum() {
    const int64_t m = RoundHalfEven(FGopPictureCount + 0.1);
    if (m > static_cast<int64_t>(FMaxGopPictures)) {
        FMaxGopPictures = static_cast<int32_t>(m);
    }
}

void TM2VStream::ComputeFrameCount() {
    struct Pattern {
        int t2, t1, t0, f2, r2, f1, r1, f0, r0, a;  // -1: any value
    };
    // Tested in order; the last pattern that matches decides.
    static constexpr Pattern kPatterns[] = {
        {-1, 3, -1, -1, -1, 1, 1, -1, -1, 1}, {-1, 2, -1, -1, -1, 1, 1, -1, -1, 0},
        {-1, 3, -1, -1, -1, 0, 0, -1, -1, 1}, {-1, 2, -1, -1, -1, 1, 0, -1, -1, 1},
        {-1, -1, 2, -1, -1, 0, 1, -1, -1, 0}, {-1, 3, 3, -1, -1, 1, 0, 1, 0, 1},
        {-1, 3, 2, -1, -1, 1, 1, 1, 1, 0},    {2, 3, 3, 0, 1, 1, 1, 0, 0, 0},
        {-1, 3, 2, -1, -1, 1, 1, 0, 1, 0},    {-1, 2, 2, -1, -1, 0, 0, 0, 1, 0},
        {-1, 2, 2, -1, -1, 0, 1, 1, 0, 1},    {-1, 2, 2, -1, -1, 1, 0, 1, 1, 0},
    };
    const int values[9] = {FPrevPrevPictureType,
                           FPrevPictureType,
                           FPictureHeader.picture_coding_type,
                           FPrevPrevTopFieldFirst,
                           FPrevPrevRepeatFirstField,
                           FPrevTopFieldFirst,
                           FPrevRepeatFirstField,
                           FPictureCodingExtension.top_field_first,
                           FPictureCodingExtension.repeat_first_field};
    int a = FPictureCodingExtension.repeat_first_field == 1 ? 1 : 0;
    for (const Pattern& p : kPatterns) {
        const int want[9] = {p.t2, p.t1, p.t0, p.f2, p.r2, p.f1, p.r1, p.f0, p.r0};
        bool match = true;
        for (int i = 0; i < 9 && match; ++i) {
            match = want[i] < 0 || want[i] == values[i];
        }
        if (match) {
            a = p.a;
        }
    }
    FDisplayedFrames = (FFieldCount + a) / 2;
}

void TM2VStream::FinishStatistics() {
    if (RoundHalfEven(FrameRateValue(static_cast<uint32_t>(FFrameRateCode))) == 25) {
        FDisplayedFrames = RoundHalfEven(FPictureCount + 0.1);
        return;
    }
    ComputeFrameCount();
    FFrameCount = FDisplayedFrames;
    if (static_cast<double>(FDisplayedFrames) > FPictureCount) {
        FPullDown = true;
    }
}

}  // namespace velmora
