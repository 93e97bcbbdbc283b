#include "io/start_code_scan.h"

#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

namespace {

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
#if defined(__SSE2__)
    int32_t i = Begin;
    uint32_t history = ZeroHistory;
    // Coded video has few zero bytes: most 64-byte stretches hold none and so contain no prefix (one
    // begun before may end on their first byte), so they are skipped after one test. A stretch with zeros is
    // examined 16 bytes at a time with bit masks: a prefix ends at k when byte k is 1 and bytes k-1 and k-2
    // are 0.
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
            if (history == 3 && Data[i] == 1) {
                ZeroHistory = 0;
                return i;
            }
            history = 0;
            i += 64;
            continue;
        }
        for (const __m128i block : {a, b, c, d}) {
            const uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)));
            const uint32_t ones = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, one)));
            // Bit k + 2 of extended stands for byte k of the block; bits 0 and 1 for the two before.
            const uint32_t extended = (zeros << 2) | history;
            const uint32_t ends = ones & extended & (extended >> 1);
            if (ends != 0) {
                ZeroHistory = 0;
                return i + __builtin_ctz(ends);
            }
            history = (zeros >> 14) & 3u;
            i += 16;
        }
    }
    ZeroHistory = history;
    return FindStartCodeEndByteByByte(Data, i, End, ZeroHistory);
#else
    return FindStartCodeEndPortable(Data, Begin, End, ZeroHistory);
#endif
}

}  // namespace velmora
