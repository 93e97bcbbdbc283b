#include "preview/start_code_reader.h"

#include <algorithm>
#include <cstring>

namespace velmora {
namespace {

constexpr size_t kWindowSize = size_t{1} << 20;

}  // namespace

TStartCodeReader::TStartCodeReader(IElementaryStreamReader& Stream, int64_t From)
    : stream_(Stream), windowStart_(From) {}

bool TStartCodeReader::Refill() {
    if (atEnd_) {
        return false;
    }
    // The last three bytes may begin a prefix that the next read completes: keep them.
    const size_t keep = window_.size() >= 3 ? 3 : window_.size();
    const int64_t start = windowStart_ + static_cast<int64_t>(window_.size() - keep);
    std::vector<uint8_t> next(kWindowSize);
    std::copy(window_.end() - static_cast<std::ptrdiff_t>(keep), window_.end(), next.begin());
    const size_t got = stream_.Read(start + static_cast<int64_t>(keep),
                                    std::span<uint8_t>(next.data() + keep, next.size() - keep));
    next.resize(keep + got);
    atEnd_ = got < kWindowSize - keep;
    window_ = std::move(next);
    windowStart_ = start;
    at_ = 0;
    return got > 0;
}

std::optional<TStartCode> TStartCodeReader::Next() {
    for (;;) {
        while (at_ + 3 < window_.size()) {
            const void* zero = std::memchr(window_.data() + at_, 0, window_.size() - 3 - at_);
            if (zero == nullptr) {
                at_ = window_.size() - 3;
                break;
            }
            const size_t i = static_cast<size_t>(static_cast<const uint8_t*>(zero) - window_.data());
            if (window_[i + 1] == 0 && window_[i + 2] == 1) {
                at_ = i + 3;
                return TStartCode{windowStart_ + static_cast<int64_t>(i), window_[i + 3]};
            }
            at_ = i + 1;
        }
        if (!Refill()) {
            return std::nullopt;
        }
    }
}

}  // namespace velmora
