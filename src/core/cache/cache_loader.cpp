// Loading the analysis cache: the summary values from its header, the header list from its records.
#include <cmath>
#include <filesystem>
#include <system_error>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "cache/cache_header.h"
#include "common/message_box.h"
#include "io/vob_file_stream.h"
#include "text/rounding.h"

namespace velmora {

namespace {

// Back-fills the nearest earlier sequence header's Ordinal with this GOP header's number, so that
// each sequence header shows the GOP it introduces.
void BackFillOrdinal(THeaderList& headers, int64_t gopEntry) {
    const int32_t gopNumber = headers[gopEntry].As<TGopHeaderRecord>().gop_number;
    for (int64_t i = gopEntry - 1; i >= 0; --i) {
        if (headers.Kind(i) == kind::SequenceHeader) {
            std::span<uint8_t> data = headers.MutableData(i);
            const int64_t ordinal = gopNumber;
            constexpr size_t at = offsetof(TSequenceHeaderRecord, Ordinal);
            if (data.size() >= at + sizeof ordinal) {
                std::memcpy(data.data() + at, &ordinal, sizeof ordinal);
            }
            return;
        }
    }
}

}  // namespace

void TM2VStream::LoadCache(const std::string& CacheName, bool AlreadyValid) {
    std::error_code ec;
    if (!std::filesystem::exists(CacheName, ec)) {
        return;
    }
    FHeaders.Clear();
    FFirstSequencePending = true;
    FFirstExtensionPending = true;
    TVobFileStream file(CacheName, 0, false);
    cache::TCacheHeader header;
    if (file.Read(header.Bytes.data(), cache::kHeaderSize) < cache::kHeaderSize) {
        file.Close();
        return;
    }
    ApplyCacheHeader(*this, header);

    const double pictures = header.Get<int32_t>(cache::offset::PictureCount);
    const int64_t loadStart = RoundHalfEven(0.85 * pictures);
    if (FProgressBar != nullptr) {
        if (AlreadyValid) {
            FProgressBar->SetMax(static_cast<int64_t>(pictures));
            FProgressBar->SetMin(loadStart);
            FProgressBar->SetPosition(loadStart);
        } else {
            FProgressBar->SetMin(0);
            FProgressBar->SetPosition(0);
            FProgressBar->SetMax(static_cast<int64_t>(pictures));
            FProgressBar->SetPosition(loadStart);
        }
    }

    uint8_t payload[kHeaderDataSize];
    for (;;) {
        uint16_t tag = 0;
        const int32_t got = file.Read(&tag, sizeof tag);
        if (got <= 0) {
            break;
        }
        if (got < static_cast<int32_t>(sizeof tag)) {
            tag &= 0xFF;  // a lone last byte: what was read, the rest zero
        }
        const int size = cache::PayloadSize(tag);
        if (size < 0) {
            FHeaders.AppendEmpty(tag);
            file.Close();
            ShowMessageBox("Incorrect cache file. Error code: " + std::to_string(tag));
            return;
        }
        // A record cut short by the end of the file keeps what was read; the rest reads as zero.
        std::memset(payload, 0, sizeof payload);
        if (size > 0) {
            file.Read(payload, size);
        }
        switch (tag) {
            case cache::tag::FileEnd:
                FHeaders.AppendEmpty(kind::FileEnd);
                break;
            case cache::tag::RepeatSequenceHeader:
                FHeaders.Append(kind::SequenceHeader, &FFirstSequenceHeader, cache::kSequenceHeaderPayload);
                break;
            case cache::tag::RepeatSequenceExtension:
                FHeaders.Append(kind::SequenceExtension, FFirstSequenceExtension);
                break;
            case cache::tag::SequenceHeader:
                FHeaders.Append(kind::SequenceHeader, payload, size);
                if (FFirstSequencePending) {
                    FFirstSequencePending = false;
                    std::memcpy(&FFirstSequenceHeader, payload, size);
                }
                break;
            case cache::tag::SequenceExtension:
                FHeaders.Append(kind::SequenceExtension, payload, size);
                if (FFirstExtensionPending) {
                    FFirstExtensionPending = false;
                    std::memcpy(&FFirstSequenceExtension, payload, size);
                }
                break;
            case cache::tag::SequenceDisplayExtension:
            case cache::tag::SequenceEnd:
                FHeaders.Append(tag, payload, size);
                break;
            case cache::tag::GopHeader:
                BackFillOrdinal(FHeaders, FHeaders.Append(kind::GopHeader, payload, size));
                break;
            case cache::tag::PictureCodingExtension:
                FHeaders.Append(kind::PictureCodingExtension, payload, size);
                std::memcpy(&FPictureCodingExtension, payload, sizeof FPictureCodingExtension);
                break;
            case cache::tag::PictureHeader: {
                const int64_t at = FHeaders.Append(kind::PictureHeader, payload, size);
                std::memcpy(&FPictureHeader, payload, sizeof FPictureHeader);
                CheckPictureType(FHeaders[at], static_cast<int32_t>(FHeaders.size()));
                if (FProgressBar != nullptr) {
                    const int64_t n = FPictureHeader.display_index;
                    const int64_t q = loadStart + RoundHalfEven(0.15 * static_cast<double>(n));
                    if (std::llabs(n - FProgressBar->Position()) > 100 && q <= FProgressBar->Max()) {
                        FProgressBar->SetPosition(q);
                    }
                }
                break;
            }
            default:
                break;
        }
    }
    file.Close();
}

}  // namespace velmora
