// Block search of a byte buffer for the start code prefix 00 00 01.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

// Scans Data[Begin, End) for the 0x01 byte of a 00 00 01 prefix and returns its index, or -1.
// ZeroHistory carries the zero bytes that precede Begin (bit 1: the byte just before is 0x00, bit 0:
// the one before that) and on return describes the last two bytes scanned, so a prefix split across
// two buffers is still found. Start a new search with 0.
int32_t FindStartCodeEnd(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory);

// The same search, passing over every prefix whose next byte lies in [First, Last] (the slices of a
// picture, say), as repeated searches would. A prefix whose 0x01 is the last byte of the range is
// returned: its next byte is not known here.
int32_t FindStartCodeEndOutside(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory,
                                uint8_t First, uint8_t Last);

// The instruction sets the block search can use; FindStartCodeEndOutside takes the widest the
// processor offers. (A 64-byte AVX-512 kernel was no faster than AVX2 on a processor with both.)
enum class TScanKernel { Portable, Sse2, Avx2 };

std::vector<TScanKernel> AvailableScanKernels();
TScanKernel BestScanKernel();

// FindStartCodeEndOutside with a given kernel, which must be one of AvailableScanKernels().
int32_t FindStartCodeEndOutsideWith(TScanKernel Kernel, const uint8_t* Data, int32_t Begin, int32_t End,
                                    uint32_t& ZeroHistory, uint8_t First, uint8_t Last);

// The same search without SIMD, 8 bytes at a time where they hold no zero byte.
int32_t FindStartCodeEndPortable(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory);

// The same search one byte at a time; kept as the reference the block search must agree with.
int32_t FindStartCodeEndByteByByte(const uint8_t* Data, int32_t Begin, int32_t End, uint32_t& ZeroHistory);

}  // namespace velmora
