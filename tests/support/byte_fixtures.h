// Byte patterns for tests of the file tools: every byte tells its own offset, so a wrong range shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

namespace velmora::test {

// size bytes counting 0, 1, 2, ... (wrapping at 256).
inline std::vector<uint8_t> CountingBytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

// The bytes [from, to) of bytes.
inline std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + to);
}

}  // namespace velmora::test
