// The real ffmpeg-made samples of tests/data: summary values from the counting rules, cross-checked
// with the header facts of tests/data/README.md (sizes, rates, pictures, GOPs, field flags).
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/header_kinds.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"

namespace velmora::test {
namespace {

struct TSampleFacts {
    const char* File;
    int32_t Width, Height, AspectRatio, FrameRateCode, MpegVersion;
    uint32_t BitRate;
    double Pictures;
    int64_t Fields, DisplayedFrames, Frames;
    bool PullDown, DropFrame, VariableBitRate;
    int32_t MaxGop;
    int64_t Gops, SequenceHeaders;
    int32_t SequenceEnds;
    TTimeCode Start;
    size_t ForeignBlocks;
};

// Displayed frames: at 25 frames/s the picture count; otherwise (fields + A) div 2 with A from the
// last three pictures (soft_pulldown ends P(0,0) B(1,0) B(1,1): no pattern, A = R0 = 1).
// foreign_packets.m2v holds 26 foreign packets, but each GOP header is followed by two of them and
// one extension-and-user-data step takes one block: the second is read as the next picture header.
const TSampleFacts kSamples[] = {
    {"pal_gop_seq.m2v", 720, 576, 2, 3, 2, 104857200, 34, 68, 34, 34, false, false, true, 12, 3, 3, 0, {}, 0},
    {"ntsc_interlaced.m2v",
     720,
     480,
     3,
     4,
     2,
     104857200,
     43,
     86,
     43,
     43,
     false,
     false,
     true,
     15,
     3,
     3,
     0,
     {},
     0},
    {"mpeg1.m1v", 352, 288, 1, 3, 1, 400000, 34, 68, 34, 34, false, false, false, 12, 3, 3, 0, {}, 0},
    {"soft_pulldown.m2v",
     720,
     480,
     2,
     4,
     2,
     104857200,
     34,
     85,
     43,
     43,
     true,
     false,
     true,
     12,
     3,
     3,
     0,
     {},
     0},
    {"drop_frame.m2v", 720, 480, 2, 4, 2, 104857200, 43, 86, 43, 43, false, true, true, 15, 3, 3, 0,
     {1, 0, 0, 0},     0},
    {"foreign_packets.m2v",
     720,
     576,
     2,
     3,
     2,
     104857200,
     22,
     44,
     22,
     22,
     false,
     false,
     true,
     12,
     2,
     2,
     0,
     {},
     24},
    {"two_sequences.m2v",
     720,
     576,
     2,
     3,
     2,
     104857200,
     32,
     64,
     32,
     32,
     false,
     false,
     true,
     12,
     3,
     3,
     2,
     {},
     0},
};

class AnalysisSamples : public ::testing::TestWithParam<TSampleFacts> {};

TEST_P(AnalysisSamples, QuickModeSummary) {
    const TSampleFacts& f = GetParam();
    TempDir dir;
    const std::string path = dir.File(f.File);
    std::filesystem::copy_file(std::string(VELMORA_TEST_DATA_DIR) + "/" + f.File, path);
    TAnalysed a = AnalyseFile(path, kQuickMode);
    const TM2VStream& s = *a.Stream;
    EXPECT_EQ(s.FWidth, f.Width);
    EXPECT_EQ(s.FHeight, f.Height);
    EXPECT_EQ(s.FAspectRatio, f.AspectRatio);
    EXPECT_EQ(s.FFrameRateCode, f.FrameRateCode);
    EXPECT_EQ(s.FMpegVersion, f.MpegVersion);
    EXPECT_EQ(s.FBitRate, f.BitRate);
    EXPECT_DOUBLE_EQ(s.FPictureCount, f.Pictures);
    EXPECT_EQ(s.FFieldCount, f.Fields);
    EXPECT_EQ(s.FDisplayedFrames, f.DisplayedFrames);
    EXPECT_EQ(s.FFrameCount, f.Frames);
    EXPECT_EQ(s.FPullDown, f.PullDown);
    EXPECT_EQ(s.FDropFrame, f.DropFrame);
    EXPECT_EQ(s.FVariableBitRate, f.VariableBitRate);
    EXPECT_EQ(s.FMaxGopPictures, f.MaxGop);
    EXPECT_EQ(s.FGopCount, f.Gops);
    EXPECT_EQ(s.FSequenceHeaderCount, f.SequenceHeaders);
    EXPECT_EQ(s.FSequenceEndCount, f.SequenceEnds);
    EXPECT_EQ(s.FStartTimeCode, f.Start);
    EXPECT_EQ(s.FUnformattedBlocks.size(), f.ForeignBlocks);
    EXPECT_EQ(a.Messages.size(), f.ForeignBlocks);
    EXPECT_TRUE(s.FHeaders.empty());
}

TEST_P(AnalysisSamples, TreeFromCacheAgreesWithDirectList) {
    const TSampleFacts& f = GetParam();
    TempDir dir;
    const std::string path = dir.File(f.File);
    std::filesystem::copy_file(std::string(VELMORA_TEST_DATA_DIR) + "/" + f.File, path);
    TAnalysed direct = AnalyseFile(path, kShowExtendedTreeMode);
    TAnalysed built = AnalyseFile(path, kShowTreeMode);
    TAnalysed loaded = AnalyseFile(path, kShowTreeMode);
    // The cached list is the direct one without the extended kinds.
    std::vector<int32_t> always;
    for (int32_t k : direct.Kinds()) {
        if (k == kind::SequenceHeader || k == kind::SequenceExtension || k == kind::GopHeader ||
            k == kind::PictureHeader || k == kind::PictureCodingExtension || k == kind::SequenceEnd ||
            k == kind::FileEnd || k == kind::SequenceDisplayExtension) {
            always.push_back(k);
        }
    }
    EXPECT_EQ(built.Kinds(), always);
    EXPECT_EQ(loaded.Kinds(), always);
    EXPECT_EQ(loaded.Stream->FGopCount, 0) << "loaded, not scanned";
    for (const TAnalysed* a : {&built, &loaded}) {
        EXPECT_DOUBLE_EQ(a->Stream->FPictureCount, f.Pictures);
        EXPECT_EQ(a->Stream->FFieldCount, f.Fields);
        EXPECT_EQ(a->Stream->FMaxGopPictures, f.MaxGop);
        EXPECT_EQ(a->Stream->FSequenceEndCount, f.SequenceEnds);
        EXPECT_EQ(a->Stream->FWidth, f.Width);
    }
}

INSTANTIATE_TEST_SUITE_P(Data, AnalysisSamples, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<TSampleFacts>& info) {
                             std::string name = info.param.File;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

}  // namespace
}  // namespace velmora::test
