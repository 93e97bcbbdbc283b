#include "preview/decode_plan.h"

#include <string>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "preview/preview_error.h"

namespace velmora {
namespace {

constexpr int32_t kIntra = 1;
constexpr int32_t kPredicted = 2;
constexpr int32_t kBidirectional = 3;
constexpr int32_t kFramePicture = 3;
// A stream refreshed without I pictures would otherwise be decoded from its start.
constexpr int64_t kMostFedPictures = 1000;

bool IsPicture(const THeaderList& Headers, int64_t i) {
    return Headers.Kind(i) == kind::PictureHeader && !Headers[i].Data.empty();
}

TPictureHeaderRecord Picture(const THeaderList& Headers, int64_t i) {
    return Headers[i].As<TPictureHeaderRecord>();
}

// picture_structure from the coding extension that follows the picture header; MPEG-1 has frames only.
int32_t PictureStructure(const THeaderList& Headers, int64_t i) {
    for (int64_t j = i + 1; j < Headers.size(); ++j) {
        const int32_t k = Headers.Kind(j);
        if (k == kind::PictureCodingExtension) {
            return Headers[j].As<TPictureCodingExtensionRecord>().picture_structure;
        }
        if (k == kind::PictureHeader || k == kind::GopHeader || k == kind::SequenceHeader) {
            break;
        }
    }
    return kFramePicture;
}

// The picture entry before i, or -1; sets HeaderBetween when a GOP or sequence header lies between.
int64_t PreviousPicture(const THeaderList& Headers, int64_t i, bool* HeaderBetween = nullptr) {
    bool header = false;
    for (int64_t j = i - 1; j >= 0; --j) {
        if (IsPicture(Headers, j)) {
            if (HeaderBetween != nullptr) {
                *HeaderBetween = header;
            }
            return j;
        }
        header = header || Headers.Kind(j) == kind::GopHeader || Headers.Kind(j) == kind::SequenceHeader;
    }
    return -1;
}

// True when the field picture i completes a pair with the picture before it (Before): the two fields
// of a frame follow each other, of opposite parity, with one temporal reference and no header between.
bool PairsWithPrevious(const THeaderList& Headers, int64_t i, int64_t& Before) {
    const int32_t structure = PictureStructure(Headers, i);
    if (structure == kFramePicture) {
        return false;
    }
    bool header = false;
    Before = PreviousPicture(Headers, i, &header);
    return Before >= 0 && !header && PictureStructure(Headers, Before) != kFramePicture &&
           PictureStructure(Headers, Before) != structure &&
           Picture(Headers, Before).temporal_reference == Picture(Headers, i).temporal_reference;
}

// The first field of i's frame. In a run of fields that each pair with the one before, fields pair
// from the run's start; a damaged run longer than this is taken to start where the search stops.
constexpr int kLongestFieldRun = 1024;

int64_t FirstField(const THeaderList& Headers, int64_t i) {
    int64_t at = i;
    int64_t before = -1;
    int links = 0;
    int64_t previous = -1;
    while (links < kLongestFieldRun && PairsWithPrevious(Headers, at, before)) {
        if (links == 0) {
            previous = before;
        }
        at = before;
        ++links;
    }
    return links % 2 == 1 ? previous : i;
}

// The first field of the frame of the last I picture at or before i, or -1.
int64_t IntraFrameAtOrBefore(const THeaderList& Headers, int64_t i) {
    for (int64_t j = i; j >= 0; --j) {
        if (IsPicture(Headers, j) && Picture(Headers, j).picture_coding_type == kIntra) {
            return FirstField(Headers, j);
        }
    }
    return -1;
}

bool GopHeaderBetween(const THeaderList& Headers, int64_t From, int64_t To) {
    for (int64_t j = From + 1; j < To; ++j) {
        if (Headers.Kind(j) == kind::GopHeader) {
            return true;
        }
    }
    return false;
}

// The entry after the last field of the frame starting at Frame: Frame's second field, if any, + 1.
int64_t FrameEnd(const THeaderList& Headers, int64_t Frame) {
    for (int64_t j = Frame + 1; j < Headers.size(); ++j) {
        if (IsPicture(Headers, j)) {
            return FirstField(Headers, j) == Frame ? j + 1 : Frame + 1;
        }
    }
    return Frame + 1;
}

}  // namespace

TDecodePlan PlanPictureDecode(const THeaderList& Headers, int64_t Index) {
    if (Index < 0 || Index >= Headers.size() || !IsPicture(Headers, Index)) {
        throw EPreviewError("Entry " + std::to_string(Index) + " of the header list is not a picture.");
    }
    TDecodePlan plan;
    plan.FrameEntry = FirstField(Headers, Index);
    int64_t first = IntraFrameAtOrBefore(Headers, plan.FrameEntry);
    if (first < 0) {
        throw EPreviewError("No I picture comes before this picture: it can not be decoded.");
    }
    // A B picture displayed before the I picture it follows (a leading B picture) also refers to the
    // last reference picture before that I picture: start one I picture earlier.
    const TPictureHeaderRecord wanted = Picture(Headers, plan.FrameEntry);
    if (wanted.picture_coding_type == kBidirectional && !GopHeaderBetween(Headers, first, plan.FrameEntry) &&
        wanted.temporal_reference < Picture(Headers, first).temporal_reference) {
        const int64_t before = PreviousPicture(Headers, first);
        if (before >= 0 && IntraFrameAtOrBefore(Headers, before) >= 0) {
            first = IntraFrameAtOrBefore(Headers, before);
        }
    }

    int64_t sequence = -1;
    for (int64_t j = first - 1; j >= 0 && sequence < 0; --j) {
        if (Headers.Kind(j) == kind::SequenceHeader) {
            sequence = j;
        }
    }
    if (sequence < 0) {
        throw EPreviewError("No sequence header comes before this picture: it can not be decoded.");
    }
    // An I picture's recorded position is that of the last sequence header before it.
    const int64_t sequencePosition = Picture(Headers, first).file_position;
    int64_t pictures = 0;  // picture entries between the sequence header and the first picture
    int64_t known = -1;    // the nearest of them whose own position is recorded (a P or B picture)
    for (int64_t j = sequence + 1; j < first; ++j) {
        if (IsPicture(Headers, j)) {
            ++pictures;
            const int32_t type = Picture(Headers, j).picture_coding_type;
            if (type == kPredicted || type == kBidirectional) {
                known = j;
                plan.PicturesToSkip = 0;
            }
            ++plan.PicturesToSkip;
        }
    }
    if (known >= 0) {
        plan.ScanFrom = Picture(Headers, known).file_position;
    } else {
        plan.ScanFrom = sequencePosition;
    }
    if (pictures > 0) {
        plan.SequenceHeaderPosition = sequencePosition;
    }

    const int64_t end = FrameEnd(Headers, plan.FrameEntry);
    int64_t fed = 0;
    for (int64_t j = first; j < end; ++j) {
        if (!IsPicture(Headers, j)) {
            continue;
        }
        const TPictureHeaderRecord p = Picture(Headers, j);
        TPlannedPicture planned;
        planned.Entry = j;
        planned.FrameEntry = FirstField(Headers, j);
        planned.TemporalReference = p.temporal_reference;
        planned.CodingType = p.picture_coding_type;
        planned.Feed = planned.FrameEntry == plan.FrameEntry || p.picture_coding_type == kIntra ||
                       p.picture_coding_type == kPredicted;
        plan.Pictures.push_back(planned);
        fed += planned.Feed ? 1 : 0;
        if (fed > kMostFedPictures) {
            throw EPreviewError("The picture is more than " + std::to_string(kMostFedPictures) +
                                " reference pictures after its I picture: too far to decode for a preview.");
        }
    }
    return plan;
}

}  // namespace velmora
