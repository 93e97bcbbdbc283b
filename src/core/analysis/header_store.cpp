// Storing of parsed records: to the analysis cache while a scan writes it, and to the header list when
// one is kept (the extended kinds only with extended records).
#include <cstring>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "cache/cache_format.h"
#include "io/vob_file_stream.h"

namespace velmora {

void TM2VStream::WriteCacheRecord(uint16_t Tag, const void* Payload, size_t Size) {
    uint8_t buffer[2 + 80];
    buffer[0] = static_cast<uint8_t>(Tag & 0xFF);
    buffer[1] = static_cast<uint8_t>(Tag >> 8);
    if (Size > 0) {
        std::memcpy(buffer + 2, Payload, Size);
    }
    FCacheStream->Write(buffer, static_cast<int32_t>(2 + Size));
}

void TM2VStream::StoreSequenceHeader(const TSequenceHeaderRecord& Rec) {
    if (WritingCache()) {
        if (FFirstSequencePending) {
            WriteCacheRecord(cache::tag::SequenceHeader, &Rec, cache::kSequenceHeaderPayload);
        } else {
            WriteCacheRecord(cache::tag::RepeatSequenceHeader, nullptr, 0);
        }
    }
    if (KeepingList()) {
        FHeaders.Append(kind::SequenceHeader, Rec);
    }
}

void TM2VStream::StoreSequenceExtension(const TSequenceExtensionRecord& Rec) {
    if (WritingCache()) {
        if (FFirstExtensionPending) {
            WriteCacheRecord(cache::tag::SequenceExtension, &Rec, sizeof Rec);
        } else {
            WriteCacheRecord(cache::tag::RepeatSequenceExtension, nullptr, 0);
        }
    }
    if (KeepingList()) {
        FHeaders.Append(kind::SequenceExtension, Rec);
    }
}

void TM2VStream::StoreSequenceDisplayExtension(const TSequenceDisplayExtensionRecord& Rec) {
    if (WritingCache()) {
        WriteCacheRecord(cache::tag::SequenceDisplayExtension, &Rec, sizeof Rec);
    }
    if (KeepingList()) {
        FHeaders.Append(kind::SequenceDisplayExtension, Rec);
    }
}

void TM2VStream::StoreSequenceScalableExtension(const TSequenceScalableExtensionRecord& Rec) {
    if (KeepingExtended()) {
        FHeaders.Append(kind::SequenceScalableExtension, Rec);
    }
}

void TM2VStream::StoreQuantMatrixExtension(const TQuantMatrixExtensionRecord& Rec) {
    if (KeepingExtended()) {
        FHeaders.Append(kind::QuantMatrixExtension, Rec);
    }
}

void TM2VStream::StorePictureDisplayExtension(const TPictureDisplayExtensionRecord& Rec) {
    if (KeepingExtended()) {
        FHeaders.Append(kind::PictureDisplayExtension, Rec);
    }
}

void TM2VStream::StorePictureSpatialScalableExtension(const TPictureSpatialScalableExtensionRecord& Rec) {
    if (KeepingExtended()) {
        FHeaders.Append(kind::PictureSpatialScalableExtension, Rec);
    }
}

void TM2VStream::StorePictureTemporalScalableExtension(const TPictureTemporalScalableExtensionRecord& Rec) {
    if (KeepingExtended()) {
        FHeaders.Append(kind::PictureTemporalScalableExtension, Rec);
    }
}

void TM2VStream::StoreGopHeader(const TGopHeaderRecord& Rec) {
    FGopPictureCount = 0;
    if (WritingCache()) {
        WriteCacheRecord(cache::tag::GopHeader, &Rec, sizeof Rec);
    }
    if (KeepingList()) {
        FLastGopEntry = FHeaders.Append(kind::GopHeader, Rec);
    }
}

void TM2VStream::StorePictureHeader(const TPictureHeaderRecord& Rec) {
    if (WritingCache()) {
        WriteCacheRecord(cache::tag::PictureHeader, &Rec, sizeof Rec);
    }
    if (KeepingList()) {
        const int64_t at = FHeaders.Append(kind::PictureHeader, Rec);
        if (!WritingCache()) {  // else loading the finished cache reports it
            CheckPictureType(FHeaders[at], static_cast<int32_t>(FHeaders.size()));
        }
    }
}

void TM2VStream::StorePictureCodingExtension(const TPictureCodingExtensionRecord& Rec) {
    if (WritingCache()) {
        WriteCacheRecord(cache::tag::PictureCodingExtension, &Rec, sizeof Rec);
    }
    if (KeepingList()) {
        FHeaders.Append(kind::PictureCodingExtension, Rec);
    }
}

void TM2VStream::StoreSequenceEnd(int32_t Ordinal) {
    if (WritingCache()) {
        WriteCacheRecord(cache::tag::SequenceEnd, &Ordinal, sizeof Ordinal);
    }
    if (KeepingList()) {
        FHeaders.Append(kind::SequenceEnd, Ordinal);
    }
}

void TM2VStream::StoreFileEnd() {
    if (WritingCache()) {
        WriteCacheRecord(cache::tag::FileEnd, nullptr, 0);
    }
    if (KeepingList()) {
        FHeaders.AppendEmpty(kind::FileEnd);
    }
}

void TM2VStream::StoreUserData() {
    if (KeepingExtended()) {
        FHeaders.AppendEmpty(kind::UserData);
    }
}

void TM2VStream::StorePictureData() {
    if (KeepingExtended()) {
        FHeaders.AppendEmpty(kind::PictureData);
    }
}

void TM2VStream::StoreStreamCode(int32_t Code) {
    if (KeepingExtended()) {
        FHeaders.AppendEmpty(Code);
    }
}

}  // namespace velmora
