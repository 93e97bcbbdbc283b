#include "tools/cut_positions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "tools/picture_entries.h"

namespace velmora {

namespace {

constexpr int64_t kBufferSize = int64_t{1} << 20;

// Kinds that may stand between the end of one picture and the I picture that starts the next GOP.
bool InHeaderRun(const THeaderRecord& entry) {
    // Foreign start codes are listed (without record bytes) only with extended records: passing over them
    // keeps both tree modes to one answer.
    if (entry.Kind >= 0xB9 && entry.Data.empty()) {
        return true;
    }
    switch (entry.Kind) {
        case kind::SequenceHeader:
        case kind::SequenceExtension:
        case kind::SequenceDisplayExtension:
        case kind::SequenceScalableExtension:
        case kind::QuantMatrixExtension:
        case kind::UserData:
        case kind::GopHeader:
            return true;
        default:
            return false;
    }
}

// The start code value of an entry that every mode lists, or -1: only these are followed in the file.
int32_t FollowedValue(const THeaderList& headers, int64_t i) {
    switch (headers.Kind(i)) {
        case kind::SequenceHeader:
            return 0xB3;
        case kind::GopHeader:
            return 0xB8;
        default:
            return IsPictureEntry(headers[i]) ? 0x00 : -1;
    }
}

bool FollowedCode(int32_t value) {
    return value == 0x00 || value == 0xB3 || value == 0xB8;
}

// The analyser points a picture of these types at the last sequence header instead of its own start.
bool PointsAtSequence(const TPictureHeaderRecord& picture) {
    return picture.picture_coding_type == 0 || picture.picture_coding_type == 1;
}

}  // namespace

TCutPositions::TCutPositions(const std::string& FileName, const THeaderList& Headers)
    : headers_(Headers), file_(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC)) {}

std::optional<int64_t> TCutPositions::At(int64_t Index) {
    const TPictureHeaderRecord picture = headers_[Index].As<TPictureHeaderRecord>();
    // Copied out first: the record is packed, and the optional would bind a reference to the
    // unaligned field.
    const int64_t recorded = picture.file_position;
    if (!PointsAtSequence(picture)) {
        return recorded;
    }
    int64_t first = Index;
    int sequences = 0;
    for (int64_t j = Index - 1; j >= 0 && InHeaderRun(headers_[j]); --j) {
        if (headers_.Kind(j) == kind::SequenceHeader) {
            first = j;
            ++sequences;
        } else if (headers_.Kind(j) == kind::GopHeader) {
            first = j;
        }
    }
    if (first != Index && headers_.Kind(first) == kind::SequenceHeader && sequences == 1) {
        return recorded;  // that sequence header is the last one before the picture
    }
    return Locate(first);
}

std::optional<int64_t> TCutPositions::Locate(int64_t target) {
    int64_t entry = -1;
    int64_t from = 0;
    if (cursorEntry_ < target) {
        entry = cursorEntry_;
        from = cursorPosition_;
    }
    // A P or B picture in between holds its own position: reading starts there.
    for (int64_t j = target - 1; j > entry; --j) {
        if (IsPictureEntry(headers_[j])) {
            const TPictureHeaderRecord picture = headers_[j].As<TPictureHeaderRecord>();
            if (!PointsAtSequence(picture)) {
                entry = j;
                from = picture.file_position + 4;
                break;
            }
        }
    }
    for (int64_t i = entry + 1; i <= target; ++i) {
        const int32_t expected = FollowedValue(headers_, i);
        if (expected < 0) {
            continue;
        }
        const std::optional<TStartCode> code = NextStartCode(from);
        if (!code || code->Value != expected) {
            return std::nullopt;
        }
        from = code->Position + 4;
        if (i == target) {
            cursorEntry_ = target;
            cursorPosition_ = from;
            return code->Position;
        }
    }
    return std::nullopt;
}

std::optional<TCutPositions::TStartCode> TCutPositions::NextStartCode(int64_t from) {
    if (!file_.valid()) {
        return std::nullopt;
    }
    if (!buffer_) {
        buffer_ = std::make_unique<uint8_t[]>(kBufferSize);
    }
    int64_t at = from;
    for (;;) {
        if (at < bufferStart_ || at + 4 > bufferStart_ + bufferLength_) {
            int64_t got = 0;
            while (got < kBufferSize) {
                const ssize_t n =
                    ::pread(file_.get(), buffer_.get() + got, static_cast<size_t>(kBufferSize - got),
                            static_cast<off_t>(at + got));
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                got += n;
            }
            bufferStart_ = at;
            bufferLength_ = got;
            if (got < 4) {
                return std::nullopt;
            }
        }
        const uint8_t* bytes = buffer_.get();
        int64_t offset = at - bufferStart_;
        // offset is where a prefix may begin; its 0x01 is two bytes on and its value one more.
        while (offset + 3 < bufferLength_) {
            const void* one =
                std::memchr(bytes + offset + 2, 1, static_cast<size_t>(bufferLength_ - offset - 3));
            if (one == nullptr) {
                offset = bufferLength_ - 3;
                break;
            }
            const int64_t k = static_cast<const uint8_t*>(one) - bytes;
            if (bytes[k - 1] == 0 && bytes[k - 2] == 0 && FollowedCode(bytes[k + 1])) {
                return TStartCode{bufferStart_ + k - 2, bytes[k + 1]};
            }
            offset = k - 1;
        }
        at = bufferStart_ + offset;
    }
}

}  // namespace velmora
