// Picture statistics: MPEG-2 and MPEG-1 counting, field pictures, GOP maximum, the pulldown pattern
// table and the finalisation.
#include <gtest/gtest.h>

#include "settings/processing_mode.h"
#include "support/analyser_run.h"

namespace velmora::test {
namespace {

struct TPic {
    uint32_t Type;
    uint32_t TopFieldFirst;
    uint32_t RepeatFirstField;
    uint32_t Structure = 3;
};

TStreamBuilder Mpeg2Stream(uint32_t FrameRateCode, const std::vector<TPic>& Pictures) {
    TStreamBuilder b;
    TSequenceHeaderFields sh;
    sh.frame_rate_code = FrameRateCode;
    b.SequenceHeader(sh).SequenceExtension().Gop();
    uint32_t tr = 0;
    for (const TPic& p : Pictures) {
        TPictureCodingExtensionFields e;
        e.top_field_first = p.TopFieldFirst;
        e.repeat_first_field = p.RepeatFirstField;
        e.picture_structure = p.Structure;
        b.Picture(p.Type, tr++).PictureCodingExtension(e).Slices(1, 1);
    }
    return b;
}

TEST(AnalysisStatistics, FramePicturesAt25) {
    TempDir dir;
    TAnalysed a =
        Analyse(Mpeg2Stream(3, std::vector<TPic>(100, TPic{1, 1, 0})), dir.File("s.m2v"), kQuickMode);
    const TM2VStream& s = *a.Stream;
    EXPECT_DOUBLE_EQ(s.FPictureCount, 100);
    EXPECT_EQ(s.FFieldCount, 200);
    EXPECT_EQ(s.FDisplayedFrames, 100);
    EXPECT_EQ(s.FFrameCount, 100);
    EXPECT_FALSE(s.FPullDown);
}

TEST(AnalysisStatistics, RepeatFirstFieldAt2997MakesPulldown) {
    const std::vector<TPic> pics = {{1, 1, 1}, {1, 0, 0}, {1, 0, 1}, {1, 1, 0}};
    TempDir dir;
    TAnalysed a = Analyse(Mpeg2Stream(4, pics), dir.File("a.m2v"), kQuickMode);
    EXPECT_EQ(a.Stream->FFieldCount, 10);
    EXPECT_EQ(a.Stream->FDisplayedFrames, 5);
    EXPECT_TRUE(a.Stream->FPullDown);
    EXPECT_EQ(a.Stream->FFrameCount, 5);
    EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, 4);

    TAnalysed pal = Analyse(Mpeg2Stream(3, pics), dir.File("b.m2v"), kQuickMode);
    EXPECT_EQ(pal.Stream->FDisplayedFrames, 4);
    EXPECT_FALSE(pal.Stream->FPullDown);
}

TEST(AnalysisStatistics, FieldPicturesCountHalves) {
    TempDir dir;
    TAnalysed two =
        Analyse(Mpeg2Stream(3, {{1, 1, 0, 1}, {1, 1, 0, 2}}), dir.File("a.m2v"), kShowExtendedTreeMode);
    EXPECT_EQ(two.Stream->FFieldCount, 2);
    EXPECT_DOUBLE_EQ(two.Stream->FPictureCount, 1);

    TAnalysed odd =
        Analyse(Mpeg2Stream(4, std::vector<TPic>(25, TPic{1, 1, 0, 1})), dir.File("b.m2v"), kQuickMode);
    EXPECT_EQ(odd.Stream->FFieldCount, 25);
    EXPECT_EQ(odd.Stream->FDisplayedFrames, 12);
    EXPECT_FALSE(odd.Stream->FPullDown);
    EXPECT_EQ(odd.Stream->FFrameCount, 12);
    EXPECT_DOUBLE_EQ(odd.Stream->FPictureCount, 13);
    EXPECT_EQ(odd.Stream->FMaxGopPictures, 13);
}

TEST(AnalysisStatistics, LargestGop) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension();
    for (int size : {12, 15, 7}) {
        b.Gop();
        for (int p = 0; p < size; ++p) {
            b.Picture(p == 0 ? 1 : 2, static_cast<uint32_t>(p)).PictureCodingExtension().Slices(1, 1);
        }
    }
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
    EXPECT_EQ(a.Stream->FMaxGopPictures, 15);
}

// Sets the last three pictures' types and flags and asks for the frame count of 10 fields.
int64_t FramesFor(const std::array<int, 3>& types, const std::array<int, 3>& tff,
                  const std::array<int, 3>& rff) {
    static TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader();
    b.WriteToFile(dir.File("one.m2v"));
    TM2VStream s(dir.File("one.m2v"));
    s.FPrevPrevPictureType = types[0];
    s.FPrevPictureType = types[1];
    s.FPictureHeader.picture_coding_type = types[2];
    s.FPrevPrevTopFieldFirst = tff[0];
    s.FPrevTopFieldFirst = tff[1];
    s.FPictureCodingExtension.top_field_first = tff[2];
    s.FPrevPrevRepeatFirstField = rff[0];
    s.FPrevRepeatFirstField = rff[1];
    s.FPictureCodingExtension.repeat_first_field = rff[2];
    s.FFieldCount = 9;
    s.ComputeFrameCount();
    return s.FDisplayedFrames;
}

TEST(AnalysisStatistics, PulldownPatternTableLastMatchDecides) {
    constexpr int P = 2, B = 3, I = 1;
    struct Case {
        std::array<int, 3> T, F, R;
        int A;
    };
    // Oldest picture first: T2 T1 T0, F2 F1 F0, R2 R1 R0.
    const Case cases[] = {
        {{I, B, I}, {0, 1, 0}, {0, 1, 0}, 1},  // 1
        {{I, P, I}, {0, 1, 0}, {0, 1, 0}, 0},  // 2
        {{I, B, I}, {0, 0, 0}, {0, 0, 1}, 1},  // 3 beats the R0 default
        {{I, P, I}, {0, 1, 0}, {0, 0, 1}, 1},  // 4
        {{I, I, P}, {0, 0, 0}, {0, 1, 0}, 0},  // 5
        {{I, B, B}, {0, 1, 1}, {0, 0, 0}, 1},  // 6
        {{I, B, P}, {0, 1, 1}, {0, 1, 1}, 0},  // 7 after 1
        {{P, B, B}, {0, 1, 0}, {1, 1, 0}, 0},  // 1 and 8 match; 8 is last
        {{I, B, P}, {0, 1, 0}, {0, 1, 1}, 0},  // 9
        {{I, P, P}, {0, 0, 0}, {0, 0, 1}, 0},  // 10
        {{I, P, P}, {0, 0, 1}, {0, 1, 0}, 1},  // 11 after 5
        {{I, P, P}, {0, 1, 1}, {0, 0, 1}, 0},  // 12 after 4
        {{I, I, I}, {0, 0, 0}, {0, 0, 1}, 1},  // no pattern: R0
        {{I, I, I}, {0, 0, 0}, {0, 0, 0}, 0},  // no pattern: R0
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FramesFor(cases[i].T, cases[i].F, cases[i].R), (9 + cases[i].A) / 2);
    }
}

TStreamBuilder Mpeg1Stream(const std::vector<std::pair<uint32_t, uint32_t>>& TypeAndReference) {
    TStreamBuilder b;
    TSequenceHeaderFields sh;
    sh.frame_rate_code = 5;
    b.SequenceHeader(sh).Gop();
    for (const auto& [type, tr] : TypeAndReference) {
        b.Picture(type, tr).Slices(1, 1);
    }
    return b;
}

TEST(AnalysisStatistics, Mpeg1CountsByDisplayIndex) {
    struct Case {
        std::vector<std::pair<uint32_t, uint32_t>> Pictures;
        double PictureCount;
        int64_t FieldCount;
    };
    const Case cases[] = {
        {{{1, 2}, {2, 0}, {3, 1}, {2, 5}, {3, 3}, {3, 4}}, 6, 12},
        {{{1, 0}, {1, 0}}, 2, 4},                           // one repeat is counted after all
        {{{1, 0}, {1, 0}, {1, 0}}, 1, 6},                   // two or more are not
        {{{1, 0}, {4, 1}, {4, 2}}, 1, 6},                   // type 4 adds fields only
        {{{1, 0}, {2, 1}, {2, 2}, {2, 3}, {3, 2}}, 5, 10},  // marked before, near a marked index: counted
        {{{1, 0}, {2, 1}, {3, 0}}, 2, 6},                   // marked before, nothing marked below: not
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        TempDir dir;
        TAnalysed a = Analyse(Mpeg1Stream(cases[i].Pictures), dir.File("s.m2v"), kQuickMode);
        EXPECT_EQ(a.Stream->FMpegVersion, 1);
        EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, cases[i].PictureCount);
        EXPECT_EQ(a.Stream->FFieldCount, cases[i].FieldCount);
    }
}

TEST(AnalysisStatistics, StreamWithoutGopHeaders) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension();
    for (uint32_t p = 0; p < 5; ++p) {
        b.Picture(1, p).PictureCodingExtension().Slices(1, 1);
    }
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
    EXPECT_EQ(a.Stream->FMaxGopPictures, 5);
    EXPECT_EQ(a.Stream->FStartTimeCode, TTimeCode{});
    EXPECT_EQ(a.Stream->FGopCount, 0);
}

TEST(AnalysisStatistics, StreamWideFlagsAndStartTime) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension();
    TGopHeaderFields g;
    g.drop_frame_flag = 1;
    g.time_code_hours = 1;
    g.time_code_minutes = 2;
    g.time_code_seconds = 3;
    g.time_code_pictures = 4;
    b.Gop(g).Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    g.drop_frame_flag = 0;
    g.time_code_hours = 5;
    b.Gop(g).Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
    EXPECT_TRUE(a.Stream->FDropFrame);
    EXPECT_TRUE(a.Stream->FVariableBitRate);
    EXPECT_EQ(a.Stream->FStartTimeCode, (TTimeCode{1, 2, 3, 4}));
}

}  // namespace
}  // namespace velmora::test
