// Kinds of header-list entries. Start code values stand for themselves; the extension and picture
// kinds are tags of our own. Non-video start codes (0xB9..0xFF) use their value as kind and so may
// coincide with a tag (an audio stream code 0xCB has the kind of a picture header).
#pragma once

#include <cstdint>

namespace velmora::kind {

inline constexpr int32_t PictureData = 0x00;
inline constexpr int32_t UserData = 0xB2;
inline constexpr int32_t SequenceHeader = 0xB3;
inline constexpr int32_t SequenceEnd = 0xB7;
inline constexpr int32_t GopHeader = 0xB8;
inline constexpr int32_t SequenceExtension = 0xC2;
inline constexpr int32_t SequenceDisplayExtension = 0xC3;
inline constexpr int32_t SequenceScalableExtension = 0xC4;
inline constexpr int32_t QuantMatrixExtension = 0xC5;
inline constexpr int32_t PictureDisplayExtension = 0xC6;
inline constexpr int32_t PictureSpatialScalableExtension = 0xC7;
inline constexpr int32_t PictureTemporalScalableExtension = 0xC8;
inline constexpr int32_t PictureCodingExtension = 0xC9;
inline constexpr int32_t PictureHeader = 0xCB;
inline constexpr int32_t FileEnd = 0xD1;

}  // namespace velmora::kind
