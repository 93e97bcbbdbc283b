#include "io/start_code_scan.h"

#include <cstring>

#if defined(__x86_64__) && defined(__SSE2__)
#define VELMORA_X86_SCAN 1
#include <immintrin.h>
#endif

namespace velmora {

namespace {

inline uint32_t NextHistory(uint32_t history, uint8_t byte) {
    return (history >> 1) | (byte == 0 ? 2u : 0u);
}

// One search through a buffer: where it ends and which prefixes it passes over.
struct TSearch {
    const uint8_t* Data;
    int32_t End;
    uint8_t First;
    uint8_t Last;

    // A prefix passed over ends in 0x01, so the zero history after it is what the bytes say: going on
    // through the same masks finds exactly what a new search from the next byte would find.
    bool StopsAt(int32_t at) const { return at + 1 >= End || Data[at + 1] < First || Data[at + 1] > Last; }

    // A 64-byte block at I without a zero byte holds no prefix; one begun before may end on its first
    // byte.
    int32_t EndInZeroFreeBlock(int32_t i, uint32_t& history) const {
        const bool found = history == 3 && Data[i] == 1 && StopsAt(i);
        history = 0;
        return found ? i : -1;
    }

    // The 64-byte block at I given one bit per byte for its zero and its one bytes (byte 0 in bit 0).
    int32_t EndInBlock(int32_t i, uint64_t zeros, uint64_t ones, uint32_t& history) const {
        // Bit k: byte k is 1, byte k-1 is 0, byte k-2 is 0 (bytes -1 and -2 come from the history).
        for (uint64_t ends = ones & ((zeros << 1) | (history >> 1)) & ((zeros << 2) | history); ends != 0;
             ends &= ends - 1) {
            const int32_t at = i + __builtin_ctzll(ends);
            if (StopsAt(at)) {
                return at;
            }
        }
        history = static_cast<uint32_t>(zeros >> 62);
        return -1;
    }

    // The bytes from I on, one at a time (the tail shorter than a block).
    int32_t EndInTail(int32_t i, uint32_t& history) const {
        for (; i < End; ++i) {
            if (Data[i] == 1 && history == 3 && StopsAt(i)) {
                return i;
            }
            history = NextHistory(history, Data[i]);
        }
        return -1;
    }
};

// Each kernel examines 64 bytes per step. Coded video has few zero bytes: most blocks hold none and
// are passed after one test; a block with zeros is examined at once through 64-bit masks.
int32_t ScanPortable(const TSearch& s, int32_t Begin, uint32_t& history) {
    for (;;) {
        const int32_t found = FindStartCodeEndPortable(s.Data, Begin, s.End, history);
        if (found < 0 || s.StopsAt(found)) {
            return found;
        }
        Begin = found + 1;
    }
}

#if defined(VELMORA_X86_SCAN)
// One bit per byte of four 16-byte comparison results, byte 0 of the first in bit 0.
inline uint64_t ByteMask64(__m128i a, __m128i b, __m128i c, __m128i d) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(a))) |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(b))) << 16 |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(c))) << 32 |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(d))) << 48;
}

int32_t ScanSse2(const TSearch& s, int32_t i, uint32_t& history) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    for (; s.End - i >= 64; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.Data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.Data + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.Data + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.Data + i + 48));
        const __m128i least = _mm_min_epu8(_mm_min_epu8(a, b), _mm_min_epu8(c, d));
        const int32_t found = _mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) == 0
                                  ? s.EndInZeroFreeBlock(i, history)
                                  : s.EndInBlock(i,
                                                 ByteMask64(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero),
                                                            _mm_cmpeq_epi8(c, zero), _mm_cmpeq_epi8(d, zero)),
                                                 ByteMask64(_mm_cmpeq_epi8(a, one), _mm_cmpeq_epi8(b, one),
                                                            _mm_cmpeq_epi8(c, one), _mm_cmpeq_epi8(d, one)),
                                                 history);
        if (found >= 0) {
            return found;
        }
    }
    return s.EndInTail(i, history);
}

__attribute__((target("avx2"))) uint64_t ByteMask64(__m256i low, __m256i high) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(low))) |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

__attribute__((target("avx2"))) int32_t ScanAvx2(const TSearch& s, int32_t i, uint32_t& history) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi8(1);
    for (; s.End - i >= 64; i += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.Data + i));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.Data + i + 32));
        const __m256i least = _mm256_min_epu8(low, high);
        const int32_t found =
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(least, zero)) == 0
                ? s.EndInZeroFreeBlock(i, history)
                : s.EndInBlock(i, ByteMask64(_mm256_cmpeq_epi8(low, zero), _mm256_cmpeq_epi8(high, zero)),
                               ByteMask64(_mm256_cmpeq_epi8(low, one), _mm256_cmpeq_epi8(high, one)),
                               history);
        if (found >= 0) {
            return found;
        }
    }
    return s.EndInTail(i, history);
}
#endif

using TScanFunction = int32_t (*)(const TSearch&, int32_t, uint32_t&);

TScanFunction ScanFunction(TScanKernel Kernel) {
    switch (Kernel) {
#if defined(VELMORA_X86_SCAN)
        case TScanKernel::Sse2:
            return ScanSse2;
        case TScanKernel::Avx2:
            return ScanAvx2;
#endif
        default:
            return ScanPortable;
    }
}

int32_t Scan(TScanFunction Function, const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory,
             uint8_t First, uint8_t Last) {
    const TSearch search{Data, End, First, Last};
    uint32_t history = ZeroHistory;
    const int32_t found = Function(search, Begin, history);
    ZeroHistory = found >= 0 ? 0 : history;
    return found;
}

}  // namespace

std::vector<TScanKernel> AvailableScanKernels() {
    std::vector<TScanKernel> kernels{TScanKernel::Portable};
#if defined(VELMORA_X86_SCAN)
    kernels.push_back(TScanKernel::Sse2);
    if (__builtin_cpu_supports("avx2")) {
        kernels.push_back(TScanKernel::Avx2);
    }
#endif
    return kernels;
}

TScanKernel BestScanKernel() {
    static const TScanKernel best = AvailableScanKernels().back();
    return best;
}

int32_t FindStartCodeEndOutsideWith(TScanKernel Kernel, const uint8_t* Data, int32_t Begin, int32_t End,
                                    uint32_t& ZeroHistory, uint8_t First, uint8_t Last) {
    return Scan(ScanFunction(Kernel), Data, Begin, End, ZeroHistory, First, Last);
}

int32_t FindStartCodeEndOutside(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory,
                                uint8_t First, uint8_t Last) {
    static const TScanFunction best = ScanFunction(BestScanKernel());
    return Scan(best, Data, Begin, End, ZeroHistory, First, Last);
}

int32_t FindStartCodeEnd(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory) {
    // An empty range passes over nothing: the first prefix is returned.
    return FindStartCodeEndOutside(Data, Begin, End, ZeroHistory, 1, 0);
}

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

}  // namespace velmora
