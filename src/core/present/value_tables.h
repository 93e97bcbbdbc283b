// Texts for the coded values of MPEG-2 headers, and the frame rate of each frame_rate_code.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// Every function takes any value: one beyond the width of its bit field (possible only from damaged
// data) reads as reserved ("Reserved", frame rate 0).

// Frames per second for frame_rate_code 0..15: -1, 23.98, 24, 25, 29.97, 30, 50, 59.94, 60, then 0.
double FrameRateValue(uint32_t frame_rate_code);

std::string AspectRatioText(uint32_t aspect_ratio_information);
std::string FrameRateText(uint32_t frame_rate_code);
std::string ChromaFormatText(uint32_t chroma_format);
std::string IntraDcPrecisionText(uint32_t intra_dc_precision);
std::string PictureStructureText(uint32_t picture_structure);
std::string YesNoText(bool value);

// picture_coding_type as the header tree captions it ("I - Frame", ..., "Unknown Frame Type").
std::string PictureTypeCaption(uint32_t picture_coding_type);
// picture_coding_type as one report letter ("I", "P", "B"); empty for any other type.
std::string PictureTypeLetter(uint32_t picture_coding_type);

// Name of a system-layer start code value (stream_id assignments of ISO/IEC 13818-1).
std::string StreamIdName(int32_t code);

}  // namespace velmora
