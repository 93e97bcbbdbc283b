// Loading the analysis cache: the summary values from its header, the header list from its records.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "cache/cache_header.h"
#include "common/message_box.h"
#include "io/read_ahead.h"
#include "io/vob_file_stream.h"
#include "text/rounding.h"

namespace velmora {

namespace {

// Reads the cache file in large blocks: one platform read per record would dominate the load. A cache
// of more than one block is read ahead on a second thread where one can run, so the copying of the
// next blocks overlaps the parsing of this one.
class TBlockReader {
  public:
    TBlockReader(TVobFileStream& file, int64_t fileSize, int64_t offset) : file_(file) {
        if (fileSize - offset > kBlockSize) {
            ahead_ = StartReadAhead(file.Handle(), offset, kBlockSize);
        }
        if (!ahead_) {
            buffer_ = std::make_unique_for_overwrite<uint8_t[]>(kBlockSize);
        }
    }

    // Up to Count bytes; fewer only at the end of the file.
    int32_t Read(void* Data, int32_t Count) {
        uint8_t* out = static_cast<uint8_t*>(Data);
        int32_t done = 0;
        while (done < Count) {
            if (next_ == size_ && !NextBlock()) {
                break;
            }
            const int32_t take = std::min(Count - done, size_ - next_);
            std::memcpy(out + done, data_ + next_, static_cast<size_t>(take));
            next_ += take;
            done += take;
        }
        return done;
    }

    // The next Count bytes in place when the block holds them all (nearly always), else nullptr
    // and nothing is consumed: Read then copies them across the block boundary.
    const uint8_t* Take(int32_t Count) {
        if (size_ - next_ < Count) {
            return nullptr;
        }
        const uint8_t* at = data_ + next_;
        next_ += Count;
        return at;
    }

    // Ends the reading ahead; called before the file closes.
    void Stop() {
        if (ahead_) {
            ahead_->Stop();
        }
    }

  private:
    bool NextBlock() {
        next_ = 0;
        if (ahead_) {
            const TReadAhead::TBlock block = ahead_->Next();
            data_ = block.Data;
            size_ = block.Size;
        } else {
            data_ = buffer_.get();
            size_ = std::max(file_.Read(buffer_.get(), kBlockSize), 0);
        }
        return size_ > 0;
    }

    // Small enough to stay in the processor's cache between the read and the parse.
    static constexpr int32_t kBlockSize = 256 << 10;
    TVobFileStream& file_;
    std::unique_ptr<TReadAhead> ahead_;
    std::unique_ptr<uint8_t[]> buffer_;
    const uint8_t* data_ = nullptr;
    int32_t size_ = 0;
    int32_t next_ = 0;
};

// Back-fills the nearest earlier sequence header's Ordinal with this GOP header's number, so that
// each sequence header shows the GOP it introduces.
void BackFillOrdinal(THeaderList& headers, int64_t sequenceEntry, int64_t gopEntry) {
    if (sequenceEntry < 0) {
        return;
    }
    const int64_t ordinal = headers[gopEntry].As<TGopHeaderRecord>().gop_number;
    std::span<uint8_t> data = headers.MutableData(sequenceEntry);
    constexpr size_t at = offsetof(TSequenceHeaderRecord, Ordinal);
    if (data.size() >= at + sizeof ordinal) {
        std::memcpy(data.data() + at, &ordinal, sizeof ordinal);
    }
}

}  // namespace

void TM2VStream::LoadCache(const std::string& CacheName, bool AlreadyValid) {
    std::error_code ec;
    if (!std::filesystem::exists(CacheName, ec)) {
        return;
    }
    FHeaders.Clear();
    FLastGopEntry = -1;
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

    // Typical records are a picture header or coding extension; an estimate from the file size spares
    // the list its copies while it grows (a wrong guess only costs a copy or unused address space).
    std::error_code sizeError;
    const auto cacheSize = std::filesystem::file_size(CacheName, sizeError);
    if (!sizeError && cacheSize > static_cast<uintmax_t>(cache::kHeaderSize)) {
        FHeaders.Reserve(static_cast<int64_t>((cacheSize - cache::kHeaderSize) / 56 + 16));
    }
    TBlockReader records(file, sizeError ? 0 : static_cast<int64_t>(cacheSize), cache::kHeaderSize);
    // The nearest sequence header before a GOP header is the last one appended; keeping its position
    // avoids a backward search per GOP.
    int64_t lastSequenceEntry = -1;
    uint8_t spanning[kHeaderDataSize];  // a record across two blocks or cut short
    for (;;) {
        uint16_t tag = 0;
        const int32_t tagBytes = records.Read(&tag, sizeof tag);
        if (tagBytes <= 0) {
            break;
        }
        if (tagBytes < static_cast<int32_t>(sizeof tag)) {
            tag &= 0xFF;  // a lone last byte: what was read, the rest zero
        }
        const int size = cache::PayloadSize(tag);
        if (size < 0) {
            FHeaders.AppendEmpty(tag);
            records.Stop();
            file.Close();
            ShowMessageBox("Incorrect cache file. Error code: " + std::to_string(tag));
            return;
        }
        const uint8_t* payload = records.Take(size);
        if (payload == nullptr) {
            // A record cut short by the end of the file keeps what was read; the rest reads as zero.
            const int32_t got = records.Read(spanning, size);
            std::memset(spanning + got, 0, static_cast<size_t>(size - got));
            payload = spanning;
        }
        switch (tag) {
            case cache::tag::FileEnd:
                FHeaders.AppendEmpty(kind::FileEnd);
                break;
            case cache::tag::RepeatSequenceHeader:
                lastSequenceEntry = FHeaders.Append(kind::SequenceHeader, &FFirstSequenceHeader,
                                                    cache::kSequenceHeaderPayload);
                break;
            case cache::tag::RepeatSequenceExtension:
                FHeaders.Append(kind::SequenceExtension, FFirstSequenceExtension);
                break;
            case cache::tag::SequenceHeader:
                lastSequenceEntry = FHeaders.Append(kind::SequenceHeader, payload, size);
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
                FLastGopEntry = FHeaders.Append(kind::GopHeader, payload, size);
                BackFillOrdinal(FHeaders, lastSequenceEntry, FLastGopEntry);
                // The cache header has no drop-frame byte: without this, every run answered from
                // the cache would show a drop-frame stream as "Non-drop frame".
                if (FHeaders[FLastGopEntry].As<TGopHeaderRecord>().drop_frame_flag == 1) {
                    FDropFrame = true;
                }
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
    records.Stop();
    file.Close();
}

}  // namespace velmora
