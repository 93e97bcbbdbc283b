// The analysis cache file NAME.vnf: a 443-byte header of packed little-endian summary values, then
// tagged header records to the end of the file. The layout is a file format: never move a field.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace velmora::cache {

inline constexpr int kHeaderSize = 443;
inline constexpr std::string_view kMagic = "MPEG Brimvale Info File";
// A sequence header record is cached without its two quantiser matrices.
inline constexpr size_t kSequenceHeaderPayload = 52;

namespace tag {
inline constexpr uint16_t RepeatSequenceHeader = 14;
inline constexpr uint16_t RepeatSequenceExtension = 15;
inline constexpr uint16_t SequenceHeader = 179;
inline constexpr uint16_t SequenceEnd = 183;
inline constexpr uint16_t GopHeader = 184;
inline constexpr uint16_t SequenceExtension = 194;
inline constexpr uint16_t SequenceDisplayExtension = 195;
inline constexpr uint16_t PictureCodingExtension = 201;
inline constexpr uint16_t PictureHeader = 203;
inline constexpr uint16_t FileEnd = 209;
}  // namespace tag

// Byte offsets of the header fields.
namespace offset {
inline constexpr int StartTimeCode = 101;
inline constexpr int Duration = 105;
inline constexpr int MaxGopPictures = 109;
inline constexpr int FrameRate = 113;
inline constexpr int AspectRatio = 117;
inline constexpr int PanScan = 121;
inline constexpr int VariableBitRate = 122;
inline constexpr int MpegVersion = 123;
inline constexpr int Line21Switch1 = 127;
inline constexpr int Line21Switch2 = 128;
inline constexpr int FrameRateCode = 129;
inline constexpr int DisplayedFrames = 133;
inline constexpr int Width = 141;
inline constexpr int Height = 145;
inline constexpr int BitRate = 149;
inline constexpr int PictureCount = 153;
inline constexpr int SequenceEndCount = 157;
inline constexpr int MinBitRate = 161;
inline constexpr int MaxBitRate = 165;
inline constexpr int BitRateSum = 169;
inline constexpr int PullDown = 173;
inline constexpr int FileSizeBlocks = 174;
inline constexpr int Stamp = 179;
inline constexpr int FieldCount = 187;
inline constexpr int FrameCount = 191;
}  // namespace offset

// The header as raw bytes with little-endian accessors (the host is little-endian, as the format).
struct TCacheHeader {
    std::array<uint8_t, kHeaderSize> Bytes{};

    template <class T>
    T Get(int at) const {
        T value;
        std::memcpy(&value, Bytes.data() + at, sizeof value);
        return value;
    }
    template <class T>
    void Put(int at, T value) {
        std::memcpy(Bytes.data() + at, &value, sizeof value);
    }
    bool HasMagic() const { return std::memcmp(Bytes.data(), kMagic.data(), kMagic.size()) == 0; }
};

// Payload length of each tag; -1 for a tag the format does not know.
inline int PayloadSize(uint16_t Tag) {
    switch (Tag) {
        case tag::RepeatSequenceHeader:
        case tag::RepeatSequenceExtension:
        case tag::FileEnd:
            return 0;
        case tag::SequenceHeader:
        case tag::SequenceExtension:
        case tag::PictureHeader:
            return 52;
        case tag::SequenceDisplayExtension:
            return 36;
        case tag::GopHeader:
            return 40;
        case tag::PictureCodingExtension:
            return 80;
        case tag::SequenceEnd:
            return 4;
        default:
            return -1;
    }
}

}  // namespace velmora::cache
