// Header parsers: sequence-level values, kept fields, user data line-21 rules, foreign data and
// unknown picture types.
#include <gtest/gtest.h>

#include "analysis/header_kinds.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"

namespace velmora::test {
namespace {

TStreamBuilder& OnePicture(TStreamBuilder& b, uint32_t type = 1) {
    return b.Picture(type, 0).PictureCodingExtension().Slices(1, 1);
}

TEST(AnalysisHeaders, SequenceHeaderValues) {
    TempDir dir;
    TStreamBuilder b;
    TSequenceHeaderFields first;
    first.horizontal_size_value = 720;
    first.vertical_size_value = 480;
    first.frame_rate_code = 4;
    first.aspect_ratio_information = 3;
    first.bit_rate_value = 20000;
    b.SequenceHeader(first).SequenceExtension().Gop();
    OnePicture(b);
    TSequenceHeaderFields later = first;
    later.frame_rate_code = 9;
    later.aspect_ratio_information = 12;
    later.horizontal_size_value = 352;
    b.SequenceHeader(later).SequenceExtension().Gop();
    OnePicture(b);
    later.aspect_ratio_information = 9;
    b.SequenceHeader(later).SequenceExtension().Gop();
    OnePicture(b);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    const TM2VStream& s = *a.Stream;
    EXPECT_EQ(s.FWidth, 720);
    EXPECT_EQ(s.FHeight, 480);
    EXPECT_EQ(s.FFrameRateCode, 9);
    EXPECT_EQ(s.FAspectRatio, 12);
    EXPECT_EQ(s.FBitRate, 8000000u);
    EXPECT_EQ(s.FBitRateSum, 600);
    EXPECT_EQ(s.FMpegVersion, 2);
    EXPECT_EQ(s.FSequenceHeaderCount, 3);
}

TEST(AnalysisHeaders, BitRateFloorAndZeroSizedFirstHeader) {
    TempDir dir;
    TStreamBuilder b;
    TSequenceHeaderFields zero;
    zero.horizontal_size_value = 0;
    zero.vertical_size_value = 0;
    zero.bit_rate_value = 50000;
    b.SequenceHeader(zero).SequenceExtension().Gop();
    OnePicture(b);
    TSequenceHeaderFields small;
    small.horizontal_size_value = 704;
    small.bit_rate_value = 100;
    b.SequenceHeader(small).SequenceExtension().Gop();
    OnePicture(b);
    TAnalysed quick = Analyse(b, dir.File("s.m2v"), kQuickMode);
    EXPECT_EQ(quick.Stream->FWidth, 704);
    EXPECT_EQ(quick.Stream->FBitRate, 200000u) << "raised to the floor without the cache";
    EXPECT_EQ(quick.Stream->FMinBitRate, 100);
    TAnalysed tree = AnalyseFile(dir.File("s.m2v"), kShowTreeMode);
    EXPECT_EQ(tree.Stream->FBitRate, 40000u) << "kept as read with the cache";
}

TEST(AnalysisHeaders, CurrentRecordsKeepFieldsTheHeaderDoesNotCarry) {
    TempDir dir;
    TStreamBuilder b;
    TSequenceHeaderFields loads;
    loads.load_intra_quantiser_matrix = 1;
    loads.intra_quantiser_matrix = RampMatrix();
    b.SequenceHeader(loads).SequenceExtension().Gop();
    TPictureHeaderFields bpic;
    bpic.picture_coding_type = 3;
    bpic.full_pel_backward_vector = 1;
    bpic.backward_f_code = 5;
    TPictureCodingExtensionFields composite;
    composite.composite_display_flag = 1;
    composite.burst_amplitude = 99;
    b.Picture(bpic).PictureCodingExtension(composite).Slices(1, 1);
    b.Picture(1, 1).PictureCodingExtension().Slices(1, 1);
    b.SequenceHeader().SequenceExtension().Gop();
    OnePicture(b);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    std::vector<TSequenceHeaderRecord> seq;
    std::vector<TPictureHeaderRecord> pics;
    std::vector<TPictureCodingExtensionRecord> exts;
    for (int64_t i = 0; i < a.Stream->FHeaders.size(); ++i) {
        const THeaderRecord r = a.Stream->FHeaders[i];
        if (r.Kind == kind::SequenceHeader) {
            seq.push_back(r.As<TSequenceHeaderRecord>());
        } else if (r.Kind == kind::PictureHeader) {
            pics.push_back(r.As<TPictureHeaderRecord>());
        } else if (r.Kind == kind::PictureCodingExtension) {
            exts.push_back(r.As<TPictureCodingExtensionRecord>());
        }
    }
    ASSERT_EQ(seq.size(), 2u);
    EXPECT_EQ(seq[1].load_intra_quantiser_matrix, 0u);
    EXPECT_EQ(seq[1].intra_quantiser_matrix[63], 64) << "the matrix of the earlier header stays";
    ASSERT_EQ(pics.size(), 3u);
    EXPECT_EQ(pics[1].picture_coding_type, 1);
    EXPECT_EQ(pics[1].backward_f_code, 5);
    EXPECT_EQ(pics[1].full_pel_backward_vector, 1);
    EXPECT_EQ(static_cast<int64_t>(pics[1].file_position), 0)
        << "an I picture's cut position is its sequence header";
    ASSERT_EQ(exts.size(), 3u);
    EXPECT_EQ(exts[1].composite_display_flag, 0);
    EXPECT_EQ(exts[1].burst_amplitude, 99);
}

TEST(AnalysisHeaders, PicturePositionsGopNumbersAndDisplayIndex) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    b.Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    const int64_t pPrefix = b.Offset();
    b.Picture(2, 1).PictureCodingExtension().Slices(1, 1);
    b.Gop();
    b.Picture(1, 1).PictureCodingExtension().Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    std::vector<TPictureHeaderRecord> pics;
    std::vector<TGopHeaderRecord> gops;
    for (int64_t i = 0; i < a.Stream->FHeaders.size(); ++i) {
        if (a.Stream->FHeaders.Kind(i) == kind::PictureHeader) {
            pics.push_back(a.Stream->FHeaders[i].As<TPictureHeaderRecord>());
        } else if (a.Stream->FHeaders.Kind(i) == kind::GopHeader) {
            gops.push_back(a.Stream->FHeaders[i].As<TGopHeaderRecord>());
        }
    }
    ASSERT_EQ(pics.size(), 3u);
    EXPECT_EQ(static_cast<int64_t>(pics[1].file_position), pPrefix);
    EXPECT_EQ(pics[2].display_index, 1 + 2);
    ASSERT_EQ(gops.size(), 2u);
    EXPECT_EQ(gops[1].gop_number, 2);
}

TEST(AnalysisHeaders, Line21Rules) {
    struct Case {
        std::vector<uint8_t> UserData;
        bool Before1, Before2;  // switches set by an earlier block
        bool After1, After2;
    };
    const auto block = [](uint8_t b5, uint8_t b6, uint8_t b9, size_t length = 12) {
        std::vector<uint8_t> data(length, 0x20);
        data[4] = b5;
        if (length > 5) {
            data[5] = b6;
        }
        if (length > 8) {
            data[8] = b9;
        }
        return data;
    };
    const Case cases[] = {
        {block(0x8A, 0xFF, 0xFE), false, false, true, false},
        {block(0x0A, 0xFF, 0xFF), false, false, true, true},
        {block(0x01, 0xFF, 0x00), true, false, false, true},
        {block(0x81, 0xFF, 0x00), false, true, true, false},
        {block(0x80, 0xFF, 0x00), false, false, false, false},
        {block(0x8A, 0xFF, 0xFE, 5), false, false, false, false},
        {block(0x01, 0xFF, 0x00, 8), false, false, false, true},  // too short for the clearing rule
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        TempDir dir;
        TStreamBuilder b;
        b.SequenceHeader().SequenceExtension();
        if (c.Before1 || c.Before2) {
            b.Gop().UserData(block(c.Before1 ? 0x81 : 0x01, 0xFF, 0x00));
            OnePicture(b);
        }
        b.Gop().UserData(c.UserData);
        OnePicture(b);
        TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
        EXPECT_EQ(a.Stream->FLine21Switch1, c.After1);
        EXPECT_EQ(a.Stream->FLine21Switch2, c.After2);
    }
}

TEST(AnalysisHeaders, Line21IgnoresSecondBlockAndPictureUserData) {
    TempDir dir;
    std::vector<uint8_t> data(12, 0x20);
    data[4] = 0x8A;
    data[5] = 0xFF;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().UserData("first").UserData(data);
    b.Picture(1, 0).PictureCodingExtension().UserData(data).Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    EXPECT_FALSE(a.Stream->FLine21Switch1);
    EXPECT_FALSE(a.Stream->FLine21Switch2);
    int userData = 0;
    for (int32_t k : a.Kinds()) {
        userData += k == kind::UserData;
    }
    EXPECT_EQ(userData, 3);
}

TEST(AnalysisHeaders, ForeignDataIsCutListedAndReported) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension();
    const int64_t prefix = b.Offset();
    b.PaddingPacket(10);
    const int64_t next = b.Offset();
    b.Slices(1, 2);
    b.Gop();
    const int64_t packPrefix = b.Offset();
    b.PackHeader();
    b.Picture(2, 0).PictureCodingExtension().Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    ASSERT_EQ(a.Stream->FUnformattedBlocks.size(), 2u);
    EXPECT_EQ(a.Stream->FUnformattedBlocks[0].Position, prefix + 3);
    EXPECT_EQ(a.Stream->FUnformattedBlocks[0].Length, next - prefix);
    EXPECT_EQ(a.Stream->FUnformattedBlocks[1].Position, packPrefix + 3);
    ASSERT_EQ(a.Messages.size(), 2u);
    EXPECT_EQ(a.Messages[0], "Find not formatted stream or data: BE - Padding Stream, FilePos: " +
                                 std::to_string(prefix + 3) + ", Length: " + std::to_string(next - prefix) +
                                 " bytes.");
    EXPECT_EQ(a.Messages[1].rfind("Find not formatted stream or data: BA - Reserved Sata Stream", 0), 0u);
    EXPECT_TRUE(a.Stream->FUnformattedFound);
    const std::vector<int32_t> kinds = a.Kinds();
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), 0xBE), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), 0xBA), kinds.end());
}

TEST(AnalysisHeaders, UnknownPictureTypeIsReportedWithItsGop) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    OnePicture(b).Gop();
    OnePicture(b).Gop();
    const int64_t prefix = b.Offset();
    OnePicture(b, 4);
    for (int32_t mode : {kShowExtendedTreeMode, kShowTreeMode}) {
        // Built piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on the one-line concatenation.
        std::string name = "s";
        name += std::to_string(mode);
        name += ".m2v";
        TAnalysed a = Analyse(b, dir.File(name), mode);
        ASSERT_EQ(a.Messages.size(), 1u);
        EXPECT_EQ(a.Messages[0],
                  "Unknown Frame Type! GOP Number: 3, File Position: " + std::to_string(prefix));
    }
    TAnalysed quick = AnalyseFile(dir.File("s3.m2v"), kQuickMode);
    EXPECT_TRUE(quick.Messages.empty()) << "no list, no report";
}

TEST(AnalysisHeaders, ExtensionsAtEachLevel) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().SequenceDisplayExtension().SequenceScalableExtension().Gop();
    b.RawExtension(2, {0x12, 0x34});  // no extension is allowed after a GOP header
    b.Picture(1, 0).PictureCodingExtension();
    TQuantMatrixExtensionFields all;
    all.load_non_intra_quantiser_matrix = all.load_chroma_intra_quantiser_matrix =
        all.load_chroma_non_intra_quantiser_matrix = 1;
    b.QuantMatrixExtension(all);
    TPictureDisplayExtensionFields offsets;
    offsets.offsets.resize(2);
    offsets.offsets[1].frame_centre_vertical_offset = 0xABCD;
    b.PictureDisplayExtension(offsets).RawExtension(4, {1, 2, 3});
    b.PictureSpatialScalableExtension().PictureTemporalScalableExtension().Slices(1, 2);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    const std::vector<int32_t> expected = {0xB3, 0xC2, 0xC3, 0xC4, 0xB8, 0xCB, 0xC9,
                                           0xC5, 0xC6, 0xC7, 0xC8, 0x00, 0xD1};
    EXPECT_EQ(a.Kinds(), expected);
    const TQuantMatrixExtensionRecord q = a.Stream->FHeaders[7].As<TQuantMatrixExtensionRecord>();
    EXPECT_EQ(q.intra_quantiser_matrix[0], 1);
    EXPECT_EQ(q.chroma_non_intra_quantiser_matrix[5], 16);
    const TPictureDisplayExtensionRecord d = a.Stream->FHeaders[8].As<TPictureDisplayExtensionRecord>();
    EXPECT_EQ(d.offsets[1].frame_centre_vertical_offset, 0xABCDu);
    EXPECT_EQ(a.Stream->FHeaders[8].Data.size(), 52u);
}

TEST(AnalysisHeaders, PanScanNeedsAspect43And540WideDisplay) {
    for (uint32_t aspect : {2u, 3u}) {
        TempDir dir;
        TStreamBuilder b;
        TSequenceHeaderFields sh;
        sh.aspect_ratio_information = aspect;
        TSequenceDisplayExtensionFields de;
        de.display_horizontal_size = 540;
        de.display_vertical_size = 576;
        b.SequenceHeader(sh).SequenceExtension().SequenceDisplayExtension(de).Gop();
        OnePicture(b);
        TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
        EXPECT_EQ(a.Stream->FPanScan, aspect == 2);
    }
}

TEST(AnalysisHeaders, ConsecutiveForeignBlocksAreAllCutListed) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    const int64_t pack = b.Offset();
    b.PackHeader().PaddingPacket(8).UserData(std::vector<uint8_t>{1, 2, 3}).PaddingPacket(2);
    TPictureHeaderFields pic;
    pic.temporal_reference = 5;
    b.Picture(pic).PictureCodingExtension().Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    ASSERT_EQ(a.Stream->FUnformattedBlocks.size(), 3u);
    EXPECT_EQ(a.Stream->FUnformattedBlocks[0].Position, pack + 3);
    EXPECT_EQ(a.Messages.size(), 3u);
    const std::vector<int32_t> expected = {0xB3, 0xC2, 0xB8, 0xBA, 0xBE, 0xB2, 0xBE, 0xCB, 0xC9, 0x00, 0xD1};
    EXPECT_EQ(a.Kinds(), expected);
    EXPECT_EQ(a.Stream->FHeaders[7].As<TPictureHeaderRecord>().temporal_reference, 5);
    EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, 1);
}

}  // namespace
}  // namespace velmora::test
