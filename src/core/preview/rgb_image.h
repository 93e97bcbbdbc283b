// A decoded picture as packed 8-bit RGB, rows top to bottom without padding.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;  // Width * Height * 3 bytes: R, G, B
};

}  // namespace velmora
