// The analyser at its hard limits: millions of pictures, display indexes past the display-index
// table, files too short to hold a header, and a cache header claiming absurd counts.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "analysis/header_kinds.h"
#include "cache/cache_format.h"
#include "common/message_box.h"
#include "present/reports.h"
#include "present/summary.h"
#include "present/tree_page.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/recording_tree_sink.h"

namespace velmora::test {
namespace {

// Collects message-box texts for the length of a test.
class TMessageBoxes {
  public:
    TMessageBoxes()
        : old_(SetMessageBoxHandler([this](const std::string& text) { Texts.push_back(text); })) {}
    ~TMessageBoxes() { SetMessageBoxHandler(old_); }
    std::vector<std::string> Texts;

  private:
    MessageBoxHandler old_;
};

std::string LastLine(const std::string& text) {
    const size_t end = text.rfind("\r\n");
    const size_t begin = text.rfind("\r\n", end - 1);
    return text.substr(begin == std::string::npos ? 0 : begin + 2, end - (begin + 2));
}

std::vector<std::string> PageCaptions(const TM2VStream& stream, int64_t first, int64_t count) {
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(stream.FHeaders, first, count, tree, nullptr, stream.FGopCount, lastPicture);
    std::vector<std::string> captions;
    for (const TRecordedNode& node : tree.Nodes) {
        captions.push_back(node.Caption);
    }
    return captions;
}

// An MPEG-1 stream of GopCount GOPs of 1,000 I pictures of 12 bytes each (the header and one empty
// slice), written GOP by GOP so that the test never holds more than one GOP of stream in memory.
void WriteTinyPictureStream(const std::string& path, int GopCount) {
    TStreamBuilder head;
    head.SequenceHeader();
    TStreamBuilder gop;
    gop.Gop();
    for (uint32_t n = 0; n < 1000; ++n) {
        gop.Picture(1, n).Slice(1, 0);
    }
    const std::vector<uint8_t> headBytes = head.Bytes();
    const std::vector<uint8_t> gopBytes = gop.Bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(headBytes.data()),
              static_cast<std::streamsize>(headBytes.size()));
    for (int n = 0; n < GopCount; ++n) {
        out.write(reinterpret_cast<const char*>(gopBytes.data()),
                  static_cast<std::streamsize>(gopBytes.size()));
    }
    const uint8_t end[] = {0x00, 0x00, 0x01, 0xB7};
    out.write(reinterpret_cast<const char*>(end), sizeof end);
}

// 2,100,000 pictures: the header list grows to over two million entries and the display indexes
// run past the end of the 2,000,000-entry display-index table.
TEST(Limits, MillionsOfTinyPicturesAreAllListedAndCountedPastTheDisplayIndexTable) {
    constexpr int kGops = 2100;
    constexpr int64_t kPictures = kGops * 1000;
    static_assert(kPictures > kDisplayIndexMapSize);
    TempDir dir;
    const std::string path = dir.File("tiny.m1v");
    WriteTinyPictureStream(path, kGops);
    const TAnalysed a = AnalyseFile(path, kShowExtendedTreeMode);
    const TM2VStream& s = *a.Stream;

    // Sequence header, GOP headers, pictures with their slice data, sequence end, file end.
    ASSERT_EQ(s.HeaderCount(), 1 + kGops + 2 * kPictures + 2);
    EXPECT_EQ(s.FPictureCount, static_cast<double>(kPictures));
    EXPECT_EQ(s.FGopCount, kGops);
    EXPECT_EQ(s.FMaxGopPictures, 1000);
    EXPECT_EQ(s.FDisplayedFrames, kPictures);
    // Entries keep only their own bytes: a picture costs its 52-byte record and two 16-byte index
    // entries, the index growing by doubling (up to twice its size).
    EXPECT_LT(s.FHeaders.MemoryBytes(), static_cast<size_t>(kPictures) * 120);

    const int64_t lastPicture = s.HeaderCount() - 4;
    ASSERT_EQ(s.FHeaders.Kind(lastPicture), kind::PictureHeader);
    EXPECT_EQ(s.FHeaders[lastPicture].As<TPictureHeaderRecord>().display_index, kPictures - 1);
    const std::vector<std::string> page = PageCaptions(s, lastPicture + 1, 1);
    EXPECT_NE(std::find(page.begin(), page.end(), "Display Order: 2099999"), page.end());

    std::ostringstream order;
    WriteDisplayOrderReport(s.FHeaders, "tiny.m1v", order);
    const std::string line = LastLine(order.str());
    EXPECT_EQ(line.substr(0, 17), "GOP2100  2099000,");
    EXPECT_EQ(line.substr(line.size() - 9), ", 2099999");
    std::ostringstream structure;
    WriteFrameStructureReport(s.FHeaders, "tiny.m1v", structure);
    EXPECT_EQ(LastLine(structure.str()), "GOP 002100  " + std::string(1000, 'I'));
}

struct TShortFile {
    const char* Name;
    std::vector<uint8_t> Bytes;
};

class ShortFile : public testing::TestWithParam<TShortFile> {};

// Files too short for a header in every processing mode: the analysis ends, every view of it works,
// and the cache-using modes load what they wrote.
TEST_P(ShortFile, AnalysesInEveryModeAndEveryViewWorks) {
    TempDir dir;
    const std::string path = dir.File("short.m2v");
    WriteFileBytes(path, GetParam().Bytes);
    for (int32_t mode = 0; mode < static_cast<int32_t>(ProcessingModes().size()); ++mode) {
        SCOPED_TRACE(ProcessingModes()[static_cast<size_t>(mode)].Name);
        TAnalysed first = AnalyseFile(path, mode);
        const TM2VStream& s = *first.Stream;
        EXPECT_EQ(s.FPictureCount, 0);
        EXPECT_EQ(s.FGopCount, 0);
        EXPECT_EQ(SummaryTexts(s).size(), SummaryCaptions().size());
        EXPECT_EQ(PageCaptions(s, 1, 1000).size() > 0, s.HeaderCount() > 1);
        std::ostringstream report;
        WriteDisplayOrderReport(s.FHeaders, "short.m2v", report);
        EXPECT_EQ(report.str().rfind("Information for short.m2v - Display Order.", 0), 0u);
        if (ProcessingModes()[static_cast<size_t>(mode)].FUseCache) {
            const TAnalysed again = AnalyseFile(path, kShowTreeMode);
            EXPECT_EQ(again.Kinds(), first.Kinds());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, ShortFile,
                         testing::Values(TShortFile{"ThreeBytes", {0x00, 0x00, 0x01}},
                                         TShortFile{"OnlyASequenceHeaderCode", {0x00, 0x00, 0x01, 0xB3}}),
                         [](const testing::TestParamInfo<TShortFile>& info) { return info.param.Name; });

TEST(Limits, EmptyFileCannotBeOpenedForAnalysisAndGetsNoCache) {
    TempDir dir;
    const std::string path = dir.File("empty.m2v");
    WriteFileBytes(path, {});
    TMessageBoxes boxes;
    EXPECT_THROW(TM2VStream stream(path), EParserFileException);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Unable to read from file " + path + "."});
    EXPECT_FALSE(std::filesystem::exists(path + ".vnf"));
}

// A valid cache whose header claims the largest counts its fields hold: the loader trusts them only
// as numbers to show, never as sizes to allocate, and the summary texts come out whole.
TEST(Limits, CacheHeaderClaimingHugeCountsAllocatesNothingForThem) {
    TempDir dir;
    const std::string path = dir.File("clip.m2v");
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 2);
    b.WriteToFile(path);
    const size_t listed = static_cast<size_t>(AnalyseFile(path, kShowTreeMode).Stream->HeaderCount());

    std::vector<uint8_t> cacheBytes = ReadFileBytes(path + ".vnf");
    cache::TCacheHeader header;
    std::memcpy(header.Bytes.data(), cacheBytes.data(), cache::kHeaderSize);
    using namespace cache::offset;
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    for (int at : {MaxGopPictures, PictureCount, SequenceEndCount, FieldCount, FrameCount, MinBitRate,
                   MaxBitRate, BitRateSum, Width, Height}) {
        header.Put<int32_t>(at, kMax);
    }
    header.Put<int64_t>(DisplayedFrames, std::numeric_limits<int64_t>::max());
    header.Put<uint32_t>(BitRate, std::numeric_limits<uint32_t>::max());
    std::memcpy(cacheBytes.data(), header.Bytes.data(), cache::kHeaderSize);
    WriteFileBytes(path + ".vnf", cacheBytes);

    TMessageBoxes boxes;
    const TAnalysed a = AnalyseFile(path, kShowTreeMode);
    const TM2VStream& s = *a.Stream;
    EXPECT_TRUE(boxes.Texts.empty());
    EXPECT_EQ(static_cast<size_t>(s.HeaderCount()), listed);
    EXPECT_EQ(s.FPictureCount, static_cast<double>(kMax));
    EXPECT_EQ(s.FFieldCount, kMax);
    EXPECT_LT(s.FHeaders.MemoryBytes(), size_t{16} << 20);
    const std::vector<TSummaryText> texts = SummaryTexts(s);
    ASSERT_EQ(texts.size(), SummaryCaptions().size());
    EXPECT_EQ(texts[13].Text, "Picture Count: 2147483647");
    // At 25 frames per second the displayed frames are the picture count again.
    EXPECT_EQ(texts[14].Text, "Pull Down Picture Count: 2147483647");
}

}  // namespace
}  // namespace velmora::test
