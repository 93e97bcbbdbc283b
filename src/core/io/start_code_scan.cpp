#include "io/start_code_scan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

namespace {

#if defined(__SSE2__)
// One bit per byte of four 16-byte comparison results, byte 0 of the first in bit 0.
inline uint64_t ByteMask64(__m128i a, __m128i b, __m128i c, __m128i d) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(a))) |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(b))) << 16 |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(c))) << 32 |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(d))) << 48;
}
#endif

inline uint32_t NextHistory(uint32_t history, uint8_t byte) {
    return (history >> 1) | (byte == 0 ? 2u : 0u);
}

}  // namespace

int32_t FindStartCodeEndByteByByte(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory) {
    uint32_t history = ZeroHistory;
    for (int32_t i = Begin; i < End; ++i) {
        if (Data[i] == 1 && history == 3) {
            ZeroHistory = 0;
            return i;
        }
        history = NextHistory(history, Data[i]);
    }
    ZeroHistory = history;
    return -1;
}

int32_t FindStartCodeEndPortable(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory) {
    // Skips 8 bytes at a time while they hold no zero byte, as the SIMD search skips 64.
    constexpr uint64_t kLow = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    int32_t i = Begin;
    uint32_t history = ZeroHistory;
    while (End - i >= 8) {
        uint64_t word;
        std::memcpy(&word, Data + i, sizeof word);
        if (((word - kLow) & ~word & kHigh) == 0) {
            if (history == 3 && Data[i] == 1) {
                ZeroHistory = 0;
                return i;
            }
            history = 0;
            i += 8;
            continue;
        }
        const int32_t found = FindStartCodeEndByteByByte(Data, i, i + 8, history);
        if (found >= 0) {
            ZeroHistory = 0;
            return found;
        }
        i += 8;
    }
    ZeroHistory = history;
    return FindStartCodeEndByteByByte(Data, i, End, ZeroHistory);
}

int32_t FindStartCodeEnd(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory) {
    // An empty range passes over nothing: the first prefix is returned.
    return FindStartCodeEndOutside(Data, Begin, End, ZeroHistory, 1, 0);
}

int32_t FindStartCodeEndOutside(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory,
                                uint8_t First, uint8_t Last) {
    // A prefix passed over ends in 0x01, so the zero history after it is what the bytes say: going on
    // through the same mask finds exactly what a new search from the next byte would find.
    const auto stopsAt = [&](int32_t at) {
        return at + 1 >= End || Data[at + 1] < First || Data[at + 1] > Last;
    };
#if defined(__SSE2__)
    int32_t i = Begin;
    uint32_t history = ZeroHistory;
    // Coded video has few zero bytes: most 64-byte stretches hold none and so contain no prefix (one
    // begun before may end on their first byte); they are skipped after one test. A stretch with zeros
    // is examined at once through 64-bit masks of its zero and one bytes.
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    while (End - i >= 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i + 48));
        const __m128i least = _mm_min_epu8(_mm_min_epu8(a, b), _mm_min_epu8(c, d));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) == 0) {
            // Without a zero byte only a prefix begun in the bytes before can end here.
            if (history == 3 && Data[i] == 1 && stopsAt(i)) {
                ZeroHistory = 0;
                return i;
            }
            history = 0;
            i += 64;
            continue;
        }
        const uint64_t zeros = ByteMask64(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero),
                                          _mm_cmpeq_epi8(c, zero), _mm_cmpeq_epi8(d, zero));
        const uint64_t ones = ByteMask64(_mm_cmpeq_epi8(a, one), _mm_cmpeq_epi8(b, one),
                                         _mm_cmpeq_epi8(c, one), _mm_cmpeq_epi8(d, one));
        // Bit k: byte k is 1, byte k-1 is 0, byte k-2 is 0 (bytes -1 and -2 come from the history).
        for (uint64_t ends = ones & ((zeros << 1) | (history >> 1)) & ((zeros << 2) | history); ends != 0;
             ends &= ends - 1) {
            const int32_t at = i + __builtin_ctzll(ends);
            if (stopsAt(at)) {
                ZeroHistory = 0;
                return at;
            }
        }
        history = static_cast<uint32_t>(zeros >> 62);
        i += 64;
    }
    for (; i < End; ++i) {
        if (Data[i] == 1 && history == 3 && stopsAt(i)) {
            ZeroHistory = 0;
            return i;
        }
        history = NextHistory(history, Data[i]);
    }
    ZeroHistory = history;
    return -1;
#else
    for (;;) {
        const int32_t found = FindStartCodeEndPortable(Data, Begin, End, ZeroHistory);
        if (found < 0 || stopsAt(found)) {
            return found;
        }
        Begin = found + 1;
    }
#endif
}

}  // namespace velmora
