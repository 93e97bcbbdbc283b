// The constant tables that turn coded header values into the texts shown in the tree, labels and reports.
#include "present/value_tables.h"

#include <array>
#include <string_view>

namespace velmora {
namespace {

constexpr std::string_view kReserved = "Reserved";

// Indexed by aspect_ratio_information. Codes 6, 8 and 12 name the display aspect that the MPEG-1
// pel aspect ratios with those codes stand for.
constexpr std::array<std::string_view, 16> kAspectRatioTexts = {
    "Forbidden", "1 : 1",   "4 : 3",   "16 : 9",  "2.21 : 1", kReserved, "16 : 9",  kReserved,
    "4 : 3",     kReserved, kReserved, kReserved, "4 : 3",    kReserved, kReserved, kReserved};

constexpr std::array<std::string_view, 16> kFrameRateTexts = {
    "Forbidden", "23.98",   "24",      "25",      "29.97",   "30",      "50",      "59.94",
    "60",        kReserved, kReserved, kReserved, kReserved, kReserved, kReserved, kReserved};

// The NTSC family is kept as the rounded decimals 23.98, 29.97 and 59.94: durations and frame counts
// derived from these exact values are part of what users and the cache file have always seen.
constexpr std::array<double, 16> kFrameRateValues = {-1.0, 23.98, 24.0, 25.0, 29.97, 30.0, 50.0, 59.94,
                                                     60.0, 0.0,   0.0,  0.0,  0.0,   0.0,  0.0,  0.0};

constexpr std::array<std::string_view, 4> kChromaFormatTexts = {kReserved, "4:2:0", "4:2:2", "4:4:4"};
constexpr std::array<std::string_view, 4> kIntraDcPrecisionTexts = {"8 bit", "9 bit", "10 bit", "11 bit"};
constexpr std::array<std::string_view, 4> kPictureStructureTexts = {kReserved, "Top Field", "Bottom Field",
                                                                    "Frame picture"};

// Entry 0 is the forbidden type; 4 to 7 are D pictures (MPEG-1) and reserved values, none of which
// this program tells apart.
constexpr std::array<std::string_view, 4> kPictureTypeCaptions = {"Unknown Frame Type", "I - Frame",
                                                                  "P - Frame", "B - Frame"};
constexpr std::array<std::string_view, 4> kPictureTypeLetters = {"", "I", "P", "B"};

constexpr std::array<std::string_view, 5> kH2221TypeNames = {"Rec. H.222.1 type A", "Rec. H.222.1 type B",
                                                             "Rec. H.222.1 type C", "Rec. H.222.1 type D",
                                                             "Rec. H.222.1 type E"};

template <size_t N>
std::string Lookup(const std::array<std::string_view, N>& table, uint32_t code, std::string_view outside) {
    return std::string(code < N ? table[code] : outside);
}

}  // namespace

double FrameRateValue(uint32_t frame_rate_code) {
    return frame_rate_code < kFrameRateValues.size() ? kFrameRateValues[frame_rate_code] : 0.0;
}

std::string AspectRatioText(uint32_t aspect_ratio_information) {
    return Lookup(kAspectRatioTexts, aspect_ratio_information, kReserved);
}

std::string FrameRateText(uint32_t frame_rate_code) {
    return Lookup(kFrameRateTexts, frame_rate_code, kReserved);
}

std::string ChromaFormatText(uint32_t chroma_format) {
    return Lookup(kChromaFormatTexts, chroma_format, kReserved);
}

std::string IntraDcPrecisionText(uint32_t intra_dc_precision) {
    return Lookup(kIntraDcPrecisionTexts, intra_dc_precision, kReserved);
}

std::string PictureStructureText(uint32_t picture_structure) {
    return Lookup(kPictureStructureTexts, picture_structure, kReserved);
}

std::string YesNoText(bool value) {
    return value ? "Yes" : "No";
}

std::string PictureTypeCaption(uint32_t picture_coding_type) {
    return Lookup(kPictureTypeCaptions, picture_coding_type, kPictureTypeCaptions[0]);
}

std::string PictureTypeLetter(uint32_t picture_coding_type) {
    return Lookup(kPictureTypeLetters, picture_coding_type, kPictureTypeLetters[0]);
}

std::string StreamIdName(int32_t code) {
    if (code >= 0xC0 && code <= 0xDF) {
        return "Audio Stream";
    }
    if (code >= 0xE0 && code <= 0xEF) {
        return "Video Stream";
    }
    if (code >= 0xF4 && code <= 0xF8) {
        return std::string(kH2221TypeNames[static_cast<size_t>(code - 0xF4)]);
    }
    switch (code) {
        case 0xBC:
            return "Program Stream Map";
        case 0xBD:
            return "Private Stream 1";
        case 0xBE:
            return "Padding Stream";
        case 0xBF:
            return "Private Stream 2";
        case 0xF0:
            return "ECM Stream";
        case 0xF1:
            return "EMM Stream";
        case 0xF2:
            return "DSMCC Stream";
        case 0xF3:
            return "ISO 13522 Stream";
        case 0xF9:
            return "Ancillary Stream";
        case 0xFF:
            return "Program Stream";
        default:
            // The established text of every unassigned value, kept exactly as users know it.
            return "Reserved Sata Stream";
    }
}

}  // namespace velmora
