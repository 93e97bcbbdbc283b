#include "support/stream_builder.h"

#include <gtest/gtest.h>

#include "io/file_bit_stream.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

TEST(BitWriter, PacksBitsMostSignificantFirstAndPadsWithZeros) {
    TBitWriter w;
    w.PutBits(0b101, 3);
    w.PutBits(0x1FF, 9);
    w.PutBits(0xDEADBEEF, 32);
    w.PutBit(1);
    EXPECT_FALSE(w.Aligned());
    EXPECT_EQ(w.Bytes(), (std::vector<uint8_t>{0xBF, 0xFD, 0xEA, 0xDB, 0xEE, 0xF8}));
    w.PutStartCode(0xB7);
    EXPECT_EQ(w.Offset(), 10);
    EXPECT_EQ(w.Bytes(), (std::vector<uint8_t>{0xBF, 0xFD, 0xEA, 0xDB, 0xEE, 0xF8, 0x00, 0x00, 0x01, 0xB7}));
}

// Headers with every optional part present and unusual values read back field by field.
TEST(StreamBuilder, HeadersReadBackBitExactly) {
    TSequenceHeaderFields seq;
    seq.horizontal_size_value = 0xABC;
    seq.vertical_size_value = 0x123;
    seq.aspect_ratio_information = 3;
    seq.bit_rate_value = 0x3FFFF;
    seq.load_intra_quantiser_matrix = 1;
    seq.intra_quantiser_matrix = RampMatrix();
    seq.load_non_intra_quantiser_matrix = 1;
    TPictureHeaderFields pic;
    pic.temporal_reference = 1023;
    pic.picture_coding_type = 3;
    pic.vbv_delay = 0x1234;
    pic.forward_f_code = 5;
    pic.full_pel_backward_vector = 1;
    pic.backward_f_code = 6;
    pic.extra_information_picture = {0xA5, 0x00};
    TPictureCodingExtensionFields coding;
    coding.f_code[0][0] = 1;
    coding.f_code[1][1] = 9;
    coding.composite_display_flag = 1;
    coding.field_sequence = 5;
    coding.burst_amplitude = 0x55;
    coding.sub_carrier_phase = 0xC3;
    TGopHeaderFields gop;
    gop.drop_frame_flag = 1;
    gop.time_code_hours = 23;
    gop.time_code_minutes = 59;
    gop.time_code_seconds = 58;
    gop.time_code_pictures = 29;
    gop.broken_link = 1;

    TStreamBuilder b;
    b.SequenceHeader(seq).Gop(gop).Picture(pic).PictureCodingExtension(coding).Slice(0xAF, 3).SequenceEnd();
    TempDir dir;
    const std::string path = dir.File("built.m2v");
    b.WriteToFile(path);

    TFileBitStream r(path, 7);
    ASSERT_TRUE(r.FindPattern(1, 24));
    EXPECT_EQ(r.ReadBits(8), 0xB3u);
    EXPECT_EQ(r.ReadBits(12), 0xABCu);
    EXPECT_EQ(r.ReadBits(12), 0x123u);
    EXPECT_EQ(r.ReadBits(4), 3u);
    EXPECT_EQ(r.ReadBits(4), 3u);
    EXPECT_EQ(r.ReadBits(18), 0x3FFFFu);
    EXPECT_EQ(r.ReadBit(), 1u);
    EXPECT_EQ(r.ReadBits(10), 112u);
    EXPECT_EQ(r.ReadBit(), 0u);
    EXPECT_EQ(r.ReadBit(), 1u);
    for (uint32_t i = 1; i <= 64; ++i) {
        ASSERT_EQ(r.ReadBits(8), i);
    }
    EXPECT_EQ(r.ReadBit(), 1u);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(r.ReadBits(8), 16u);
    }

    ASSERT_TRUE(r.FindPattern(1, 24));
    EXPECT_EQ(r.ReadBits(8), 0xB8u);
    EXPECT_EQ(r.ReadBit(), 1u);
    EXPECT_EQ(r.ReadBits(5), 23u);
    EXPECT_EQ(r.ReadBits(6), 59u);
    EXPECT_EQ(r.ReadBit(), 1u);
    EXPECT_EQ(r.ReadBits(6), 58u);
    EXPECT_EQ(r.ReadBits(6), 29u);
    EXPECT_EQ(r.ReadBit(), 1u);
    EXPECT_EQ(r.ReadBit(), 1u);

    ASSERT_TRUE(r.FindPattern(1, 24));
    EXPECT_EQ(r.ReadBits(8), 0x00u);
    EXPECT_EQ(r.ReadBits(10), 1023u);
    EXPECT_EQ(r.ReadBits(3), 3u);
    EXPECT_EQ(r.ReadBits(16), 0x1234u);
    EXPECT_EQ(r.ReadBits(4), 0b0101u);
    EXPECT_EQ(r.ReadBits(4), 0b1110u);
    EXPECT_EQ(r.ReadBits(9), 0x1A5u);
    EXPECT_EQ(r.ReadBits(9), 0x100u);
    EXPECT_EQ(r.ReadBit(), 0u);

    ASSERT_TRUE(r.FindPattern(1, 24));
    EXPECT_EQ(r.ReadBits(8), 0xB5u);
    EXPECT_EQ(r.ReadBits(4), 8u);
    EXPECT_EQ(r.ReadBits(16), 0x1FF9u);
    EXPECT_EQ(r.ReadBits(2), 0u);
    EXPECT_EQ(r.ReadBits(2), 3u);
    EXPECT_EQ(r.ReadBits(10), 0b1000000001u);  // top_field_first .. composite_display_flag
    EXPECT_EQ(r.ReadBit(), 0u);
    EXPECT_EQ(r.ReadBits(3), 5u);
    EXPECT_EQ(r.ReadBit(), 0u);
    EXPECT_EQ(r.ReadBits(7), 0x55u);
    EXPECT_EQ(r.ReadBits(8), 0xC3u);

    ASSERT_TRUE(r.FindPattern(1, 24));
    EXPECT_EQ(r.PeekBits(8), 0xAFu);
    ASSERT_TRUE(r.FindPattern(1, 24));
    EXPECT_EQ(r.ReadBits(8), 0xB7u);
    EXPECT_TRUE(r.FEof);
}

// A chained stream yields its start codes in the order written, at the offsets the builder reports.
TEST(StreamBuilder, ChainedHelpersWriteTheirStartCodesInOrder) {
    TStreamBuilder b;
    b.PackHeader().SequenceHeader().SequenceExtension().SequenceDisplayExtension().UserData("CC");
    const int64_t gopOffset = b.Offset();
    b.Gop().CodedPicture({}, {}, 3).PaddingPacket(2);
    TPictureHeaderFields p;
    p.picture_coding_type = 2;
    b.CodedPicture(p).SystemPacket(0xE0, {0x00, 0x03, 0x81}).SequenceEnd();
    TempDir dir;
    const std::string path = dir.File("chain.m2v");
    b.WriteToFile(path);

    TFileBitStream r(path, 16);
    std::vector<uint32_t> codes;
    while (r.FindPattern(1, 24)) {
        if (r.PeekBits(8) == code::Gop) {
            EXPECT_EQ(r.Position() - 3, gopOffset);
        }
        codes.push_back(r.ReadBits(8));
    }
    const std::vector<uint32_t> expected = {0xBA, 0xB3, 0xB5, 0xB5, 0xB2, 0xB8, 0x00, 0xB5, 0x01,
                                            0x02, 0x03, 0xBE, 0x00, 0xB5, 0x01, 0x02, 0xE0, 0xB7};
    EXPECT_EQ(codes, expected);
}

TEST(StreamBuilder, OptionalPartsFollowTheirFlags) {
    TSequenceDisplayExtensionFields display;
    display.colour_description = 0;
    TSequenceScalableExtensionFields temporal;
    temporal.scalable_mode = 3;
    temporal.picture_mux_enable = 1;
    TPictureDisplayExtensionFields offsets;
    offsets.offsets.resize(3);
    // Sizes in bytes: start code 4 plus the aligned payload.
    const struct {
        std::vector<uint8_t> bytes;
        size_t size;
    } cases[] = {
        {TStreamBuilder().SequenceHeader().Bytes(), 12},
        {TStreamBuilder().SequenceExtension().Bytes(), 10},
        {TStreamBuilder().SequenceDisplayExtension().Bytes(), 12},
        {TStreamBuilder().SequenceDisplayExtension(display).Bytes(), 9},
        {TStreamBuilder().SequenceScalableExtension().Bytes(), 12},
        {TStreamBuilder().SequenceScalableExtension(temporal).Bytes(), 7},
        {TStreamBuilder().QuantMatrixExtension().Bytes(), 4 + 65},
        {TStreamBuilder().PictureDisplayExtension(offsets).Bytes(), 4 + 14},
        {TStreamBuilder().Picture(1, 0).Bytes(), 8},
        {TStreamBuilder().Picture(2, 0).Bytes(), 9},
        {TStreamBuilder().PictureCodingExtension().Bytes(), 9},
        {TStreamBuilder().PaddingPacket(5).Bytes(), 11},
        {TStreamBuilder().PackHeader().Bytes(), 14},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].bytes.size(), cases[i].size) << "case " << i;
    }
}

}  // namespace
}  // namespace velmora::test
