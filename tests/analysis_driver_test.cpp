// The parse driver: header-list kinds per processing mode, the order quirks, yield and abort.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/header_kinds.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"

namespace velmora::test {
namespace {

// Sequence header, extension, display extension, GOP, two pictures with slices, sequence end.
TStreamBuilder TwoPictureStream() {
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().SequenceDisplayExtension().Gop();
    b.Picture(1, 0).PictureCodingExtension().Slices(1, 3);
    b.Picture(2, 1).PictureCodingExtension().Slices(1, 3);
    b.SequenceEnd();
    return b;
}

// GOPs each preceded by a sequence header (and extension), Pictures frame pictures per GOP.
TStreamBuilder GopsWithSequenceHeaders(int Gops, int Pictures, bool EachGopHasHeader, bool End = true) {
    TStreamBuilder b;
    for (int g = 0; g < Gops; ++g) {
        if (g == 0 || EachGopHasHeader) {
            b.SequenceHeader().SequenceExtension();
        }
        b.Gop();
        for (int p = 0; p < Pictures; ++p) {
            b.Picture(p == 0 ? 1 : 2, static_cast<uint32_t>(p)).PictureCodingExtension().Slices(1, 2);
        }
    }
    if (End) {
        b.SequenceEnd();
    }
    return b;
}

TEST(AnalysisDriver, ExtendedTreeListsEveryKindInStreamOrder) {
    TempDir dir;
    TAnalysed a = Analyse(TwoPictureStream(), dir.File("s.m2v"), kShowExtendedTreeMode);
    const std::vector<int32_t> expected = {0xB3, 0xC2, 0xC3, 0xB8, 0xCB, 0xC9,
                                           0x00, 0xCB, 0xC9, 0x00, 0xB7, 0xD1};
    EXPECT_EQ(a.Kinds(), expected);
    for (int64_t i = 0; i < a.Stream->FHeaders.size(); ++i) {
        EXPECT_EQ(a.Stream->FHeaders[i].Index, i);
    }
    EXPECT_EQ(a.Stream->FSequenceEndCount, 1);
    EXPECT_EQ(a.Stream->FHeaders[0].Data.size(), sizeof(TSequenceHeaderRecord));
}

TEST(AnalysisDriver, ModesDecideWhatIsListedAndCached) {
    struct Case {
        int32_t Mode;
        std::vector<int32_t> Kinds;
        bool CacheLeft;
    };
    const std::vector<int32_t> always = {0xB3, 0xC2, 0xC3, 0xB8, 0xCB, 0xC9, 0xCB, 0xC9, 0xB7, 0xD1};
    const Case cases[] = {
        {kQuickMode, {}, false},
        {kShowTreeMode, always, true},
        {kRewriteCacheMode, always, true},
        {kShowExtendedTreeMode,
         {0xB3, 0xC2, 0xC3, 0xB8, 0xCB, 0xC9, 0x00, 0xCB, 0xC9, 0x00, 0xB7, 0xD1},
         false},
        {kShowFirstGopMode, {0xB3, 0xC2, 0xC3, 0xB8, 0xCB, 0xC9, 0xCB, 0xC9, 0xD1}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mode);
        TempDir dir;
        const std::string path = dir.File("s.m2v");
        TAnalysed a = Analyse(TwoPictureStream(), path, c.Mode);
        EXPECT_EQ(a.Kinds(), c.Kinds);
        EXPECT_EQ(std::filesystem::exists(path + ".vnf"), c.CacheLeft);
        EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, 2.0);
    }
}

TEST(AnalysisDriver, FirstGopStopsAtTheSecondSequenceHeader) {
    TempDir dir;
    TAnalysed a = Analyse(GopsWithSequenceHeaders(3, 2, true), dir.File("s.m2v"), kShowFirstGopMode);
    const std::vector<int32_t> expected = {0xB3, 0xC2, 0xB8, 0xCB, 0xC9, 0xCB, 0xC9, 0xD1};
    EXPECT_EQ(a.Kinds(), expected);
    EXPECT_EQ(a.Stream->FGopCount, 1);

    // With one sequence header the first run of pictures is the whole stream.
    TAnalysed b = Analyse(GopsWithSequenceHeaders(3, 2, false), dir.File("t.m2v"), kShowFirstGopMode);
    EXPECT_EQ(b.Stream->FGopCount, 3);
    EXPECT_EQ(b.Stream->FSequenceEndCount, 0);
}

TEST(AnalysisDriver, FirstStartCodeIsParsedAsSequenceHeaderWhateverItIs) {
    TempDir dir;
    TStreamBuilder b;
    b.Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    ASSERT_FALSE(a.Kinds().empty());
    EXPECT_EQ(a.Kinds()[0], kind::SequenceHeader);
    EXPECT_EQ(a.Stream->FHeaders[0].As<TSequenceHeaderRecord>().StartCode, 0xB8u);
    EXPECT_EQ(a.Stream->FSequenceHeaderCount, 1);
}

TEST(AnalysisDriver, YieldRunsAfterTheTenthGopAndThenEveryNinth) {
    TempDir dir;
    GopsWithSequenceHeaders(28, 1, false).WriteToFile(dir.File("s.m2v"));
    TM2VStream s(dir.File("s.m2v"));
    int yields = 0;
    s.OnYield = [&yields] { ++yields; };
    s.ParseStream(true, false);
    EXPECT_EQ(yields, 3);
    EXPECT_EQ(s.FGopCount, 28);
}

TEST(AnalysisDriver, AbortWithOneSequenceHeaderStopsAtTheNextGop) {
    TempDir dir;
    GopsWithSequenceHeaders(30, 2, false).WriteToFile(dir.File("s.m2v"));
    TM2VStream s(dir.File("s.m2v"));
    s.FQuickMode = false;
    s.FUseCache = false;
    s.OnYield = [&s] { s.FAborted = true; };
    s.ParseStream(true, false);
    EXPECT_TRUE(s.FAborted);
    EXPECT_EQ(s.FGopCount, 10);
    // The stream's own sequence end is far away: nothing is counted or recorded for it.
    EXPECT_EQ(s.FSequenceEndCount, 0);
    EXPECT_EQ(s.FHeaders.Kind(s.FHeaders.size() - 1), kind::FileEnd);
    EXPECT_NE(s.FHeaders.Kind(s.FHeaders.size() - 2), kind::SequenceEnd);
}

TEST(AnalysisDriver, AbortWithSequenceHeaderPerGopStopsAfterTheCurrentRun) {
    TempDir dir;
    GopsWithSequenceHeaders(30, 2, true).WriteToFile(dir.File("s.m2v"));
    TM2VStream s(dir.File("s.m2v"));
    s.FQuickMode = false;
    s.FUseCache = true;
    s.OnYield = [&s] { s.FAborted = true; };
    s.ParseStream(true, false);
    EXPECT_TRUE(s.FAborted);
    EXPECT_EQ(s.FGopCount, 10);
    // The repeated sequence header after the tenth GOP's run was parsed before the test.
    EXPECT_EQ(s.FSequenceHeaderCount, 11);
    EXPECT_EQ(s.FSequenceEndCount, 0);
    // The cache being built is dropped, never put in place; the list read so far stays in memory.
    EXPECT_FALSE(s.FHeaders.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("s.m2v.vnf")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_FALSE(s.IsCacheValid());
}

TEST(AnalysisDriver, StreamWithoutGopHeadersYieldsAndAbortsEvery256Pictures) {
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension();
    for (int p = 0; p < 1000; ++p) {
        b.Picture(p == 0 ? 1 : 2, static_cast<uint32_t>(p % 1024)).PictureCodingExtension().Slices(1, 1);
    }
    b.SequenceEnd();
    b.WriteToFile(dir.File("s.m2v"));

    TM2VStream whole(dir.File("s.m2v"));
    int yields = 0;
    whole.OnYield = [&yields] { ++yields; };
    whole.ParseStream(true, false);
    EXPECT_EQ(yields, 3);
    EXPECT_DOUBLE_EQ(whole.FPictureCount, 1000.0);
    EXPECT_EQ(whole.FSequenceEndCount, 1);
    whole.CloseFile();  // the reader holds the file exclusively

    TM2VStream aborted(dir.File("s.m2v"));
    aborted.OnYield = [&aborted] { aborted.FAborted = true; };
    aborted.ParseStream(true, false);
    EXPECT_TRUE(aborted.FAborted);
    EXPECT_DOUBLE_EQ(aborted.FPictureCount, 255.0);
    EXPECT_EQ(aborted.FSequenceEndCount, 0);
}

TEST(AnalysisDriver, StreamWithoutSequenceEndEndsOnEndOfData) {
    TempDir dir;
    TAnalysed a = Analyse(GopsWithSequenceHeaders(2, 3, true, false), dir.File("s.m2v"), kQuickMode);
    EXPECT_EQ(a.Stream->FSequenceEndCount, 0);
    EXPECT_EQ(a.Stream->FGopCount, 2);
    EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, 6.0);
}

TEST(AnalysisDriver, TwoSequencesCountTwoSequenceEnds) {
    TempDir dir;
    TStreamBuilder b = GopsWithSequenceHeaders(2, 2, true);
    for (uint8_t byte : GopsWithSequenceHeaders(1, 2, true).Bytes()) {
        b.PutBits(byte, 8);
    }
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowExtendedTreeMode);
    EXPECT_EQ(a.Stream->FSequenceEndCount, 2);
    EXPECT_EQ(a.Stream->FGopCount, 3);
    std::vector<int32_t> ends;
    for (int64_t i = 0; i < a.Stream->FHeaders.size(); ++i) {
        if (a.Stream->FHeaders.Kind(i) == kind::SequenceEnd) {
            ends.push_back(a.Stream->FHeaders[i].As<int32_t>());
        }
    }
    EXPECT_EQ(ends, (std::vector<int32_t>{1, 2}));
}

TEST(AnalysisDriver, BadInputNeverCrashesOrHangs) {
    TempDir dir;
    std::vector<std::vector<uint8_t>> inputs;
    inputs.push_back(std::vector<uint8_t>(5000, 0));
    inputs.push_back({0x00, 0x00, 0x01});
    inputs.push_back({0x00, 0x00, 0x01, 0xB2, 0x00, 0x00});
    uint32_t seed = 12345;
    for (int n = 0; n < 20; ++n) {
        std::vector<uint8_t> bytes(3000);
        for (uint8_t& byte : bytes) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<uint8_t>(seed >> 16);
            // Plenty of start codes so the parsers see many kinds of header.
            if ((seed >> 8) % 23 == 0) {
                byte = 1;
            } else if ((seed >> 8) % 3 == 0) {
                byte = 0;
            }
        }
        inputs.push_back(bytes);
    }
    const std::vector<uint8_t> full = TwoPictureStream().Bytes();
    for (size_t cut = 1; cut < full.size(); cut += 7) {
        inputs.emplace_back(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    for (size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        for (int32_t mode : {kShowExtendedTreeMode, kShowTreeMode}) {
            const std::string path =
                dir.File("bad" + std::to_string(i) + "_" + std::to_string(mode) + ".m2v");
            WriteFileBytes(path, inputs[i]);
            TAnalysed a = AnalyseFile(path, mode);
            EXPECT_GE(a.Stream->FHeaders.size(), 1);
        }
    }
}

}  // namespace
}  // namespace velmora::test
