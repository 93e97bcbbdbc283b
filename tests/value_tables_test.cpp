// The value-to-text tables walked whole, plus the values just outside each bit field.
#include "present/value_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(ValueTables, AspectRatioTextCoversEveryFourBitCode) {
    const std::vector<std::string> expected = {
        "Forbidden", "1 : 1",    "4 : 3",    "16 : 9",   "2.21 : 1", "Reserved", "16 : 9",   "Reserved",
        "4 : 3",     "Reserved", "Reserved", "Reserved", "4 : 3",    "Reserved", "Reserved", "Reserved"};
    for (uint32_t code = 0; code < expected.size(); ++code) {
        EXPECT_EQ(AspectRatioText(code), expected[code]) << "aspect_ratio_information " << code;
    }
    EXPECT_EQ(AspectRatioText(16), "Reserved");
    EXPECT_EQ(AspectRatioText(0xFFFFFFFFu), "Reserved");
}

TEST(ValueTables, FrameRateTextAndValueAgreeForEveryCode) {
    struct Row {
        const char* text;
        double value;
    };
    const std::vector<Row> expected = {
        {"Forbidden", -1.0}, {"23.98", 23.98},  {"24", 24.0},      {"25", 25.0},
        {"29.97", 29.97},    {"30", 30.0},      {"50", 50.0},      {"59.94", 59.94},
        {"60", 60.0},        {"Reserved", 0.0}, {"Reserved", 0.0}, {"Reserved", 0.0},
        {"Reserved", 0.0},   {"Reserved", 0.0}, {"Reserved", 0.0}, {"Reserved", 0.0}};
    for (uint32_t code = 0; code < expected.size(); ++code) {
        EXPECT_EQ(FrameRateText(code), expected[code].text) << "frame_rate_code " << code;
        // The NTSC rates are the decimals themselves, not 24000/1001 and the like.
        EXPECT_EQ(FrameRateValue(code), expected[code].value) << "frame_rate_code " << code;
    }
    EXPECT_EQ(FrameRateText(16), "Reserved");
    EXPECT_EQ(FrameRateValue(16), 0.0);
    EXPECT_EQ(FrameRateValue(0xFFFFFFFFu), 0.0);
}

TEST(ValueTables, TwoBitTablesCoverEveryCodeAndReadReservedBeyond) {
    const std::vector<std::string> chroma = {"Reserved", "4:2:0", "4:2:2", "4:4:4"};
    const std::vector<std::string> precision = {"8 bit", "9 bit", "10 bit", "11 bit"};
    const std::vector<std::string> structure = {"Reserved", "Top Field", "Bottom Field", "Frame picture"};
    for (uint32_t code = 0; code < 4; ++code) {
        EXPECT_EQ(ChromaFormatText(code), chroma[code]);
        EXPECT_EQ(IntraDcPrecisionText(code), precision[code]);
        EXPECT_EQ(PictureStructureText(code), structure[code]);
    }
    for (uint32_t code : {4u, 0x80000000u}) {
        EXPECT_EQ(ChromaFormatText(code), "Reserved");
        EXPECT_EQ(IntraDcPrecisionText(code), "Reserved");
        EXPECT_EQ(PictureStructureText(code), "Reserved");
    }
}

TEST(ValueTables, PictureTypeHasACaptionForTheTreeAndALetterForReports) {
    const std::vector<std::string> captions = {
        "Unknown Frame Type", "I - Frame",          "P - Frame",
        "B - Frame",          "Unknown Frame Type", "Unknown Frame Type",
        "Unknown Frame Type", "Unknown Frame Type", "Unknown Frame Type"};
    const std::vector<std::string> letters = {"", "I", "P", "B", "", "", "", "", ""};
    for (uint32_t type = 0; type < captions.size(); ++type) {
        EXPECT_EQ(PictureTypeCaption(type), captions[type]) << "picture_coding_type " << type;
        EXPECT_EQ(PictureTypeLetter(type), letters[type]) << "picture_coding_type " << type;
    }
    EXPECT_EQ(PictureTypeCaption(0xFFFFFFFFu), "Unknown Frame Type");
    EXPECT_EQ(PictureTypeLetter(0xFFFFFFFFu), "");
}

TEST(ValueTables, YesNoText) {
    EXPECT_EQ(YesNoText(false), "No");
    EXPECT_EQ(YesNoText(true), "Yes");
    // Flags arrive as bytes; any non-zero value is Yes.
    const uint8_t flag = 0x80;
    EXPECT_EQ(YesNoText(flag), "Yes");
}

TEST(ValueTables, StreamIdNameWalksEveryByteValue) {
    struct Range {
        int first, last;
        const char* name;
    };
    const std::vector<Range> assigned = {
        {0xBC, 0xBC, "Program Stream Map"},  {0xBD, 0xBD, "Private Stream 1"},
        {0xBE, 0xBE, "Padding Stream"},      {0xBF, 0xBF, "Private Stream 2"},
        {0xC0, 0xDF, "Audio Stream"},        {0xE0, 0xEF, "Video Stream"},
        {0xF0, 0xF0, "ECM Stream"},          {0xF1, 0xF1, "EMM Stream"},
        {0xF2, 0xF2, "DSMCC Stream"},        {0xF3, 0xF3, "ISO 13522 Stream"},
        {0xF4, 0xF4, "Rec. H.222.1 type A"}, {0xF5, 0xF5, "Rec. H.222.1 type B"},
        {0xF6, 0xF6, "Rec. H.222.1 type C"}, {0xF7, 0xF7, "Rec. H.222.1 type D"},
        {0xF8, 0xF8, "Rec. H.222.1 type E"}, {0xF9, 0xF9, "Ancillary Stream"},
        {0xFF, 0xFF, "Program Stream"}};
    for (int code = 0; code <= 0xFF; ++code) {
        std::string expected = "Reserved Sata Stream";
        for (const Range& range : assigned) {
            if (code >= range.first && code <= range.last) {
                expected = range.name;
            }
        }
        EXPECT_EQ(StreamIdName(code), expected) << "code 0x" << std::hex << code;
    }
}

TEST(ValueTables, StreamIdNameBoundariesAndOutOfRange) {
    EXPECT_EQ(StreamIdName(0xB9), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(0xBA), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(0xBB), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(0xBF), "Private Stream 2");
    EXPECT_EQ(StreamIdName(0xC0), "Audio Stream");
    EXPECT_EQ(StreamIdName(0xDF), "Audio Stream");
    EXPECT_EQ(StreamIdName(0xE0), "Video Stream");
    EXPECT_EQ(StreamIdName(0xEF), "Video Stream");
    EXPECT_EQ(StreamIdName(0xFA), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(0xFE), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(-1), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(0x1BE), "Reserved Sata Stream");
    EXPECT_EQ(StreamIdName(INT32_MIN), "Reserved Sata Stream");
}

}  // namespace
}  // namespace velmora
