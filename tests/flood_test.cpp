// Floods: files of one start code repeated, and streams with thousands of foreign blocks or bad
// pictures. Memory and output stay bounded, and past the first hundred messages of a kind the rest
// are counted in one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/cli_run.h"

namespace velmora::test {
namespace {

constexpr int64_t kMiB = 1024 * 1024;

// Under AddressSanitizer the program's memory is its shadow and quarantine, not its own: the memory
// bounds are checked in the plain build only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif

void WriteFlood(const std::string& path, uint8_t code, int64_t bytes) {
    std::string unit = {'\0', '\0', '\1', static_cast<char>(code)};
    std::string chunk;
    while (chunk.size() < 64 * 1024) {
        chunk += unit;
    }
    std::ofstream out(path, std::ios::binary);
    for (int64_t left = bytes; left > 0; left -= static_cast<int64_t>(chunk.size())) {
        out.write(chunk.data(), static_cast<std::streamsize>(std::min<int64_t>(left, chunk.size())));
    }
}

// One picture whose slices follow 1,500 padding packets: more foreign blocks than are listed or
// reported one by one.
void WritePaddedPicture(const std::string& path) {
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension();
    for (int n = 0; n < 1500; ++n) {
        b.PaddingPacket(4);
    }
    b.Slices(1, 2);
    b.WriteToFile(path);
}

size_t LineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct TFloodRuns {
    TCliResult Tiny;  // 64 KiB: the program's own memory
    TCliResult Small;
    TCliResult Large;
};

class Flood : public testing::TestWithParam<uint8_t> {
  protected:
    // The same command on 64 KiB, 1 MiB and 4 MiB of the flood.
    TFloodRuns RunAll(const std::string& options) {
        WriteFlood(dir_.File("tiny.m2v"), GetParam(), 64 * 1024);
        WriteFlood(dir_.File("small.m2v"), GetParam(), kMiB);
        WriteFlood(dir_.File("large.m2v"), GetParam(), 4 * kMiB);
        return {RunCli(VELMORA_CLI_PATH, dir_.path().string(), "info tiny.m2v " + options),
                RunCli(VELMORA_CLI_PATH, dir_.path().string(), "info small.m2v " + options),
                RunCli(VELMORA_CLI_PATH, dir_.path().string(), "info large.m2v " + options)};
    }
    TempDir dir_;
};

TEST_P(Flood, QuickModeMemoryAndOutputStayFlat) {
    const TFloodRuns runs = RunAll("--json");
    for (const TCliResult* run : {&runs.Tiny, &runs.Small, &runs.Large}) {
        ASSERT_EQ(run->ExitCode, 0) << run->Err;
        if (kMemoryMeasurable) {
            EXPECT_LT(run->PeakKiB, 16 * 1024);
        }
        // At most a hundred lines of each of the two kinds and a line for the rest of each.
        EXPECT_LE(LineCount(run->Err), 202u);
        EXPECT_LT(run->Out.size(), 200u * 1024) << "at most 1,000 foreign blocks are listed";
    }
    if (kMemoryMeasurable) {
        EXPECT_LT(runs.Large.PeakKiB - runs.Small.PeakKiB, 1024) << "four times the input, not more memory";
    }
}

TEST_P(Flood, TreeModeGrowsLinearlyAndItsReloadRepeatsNoFlood) {
    const TFloodRuns runs = RunAll("--mode tree");
    for (const TCliResult* run : {&runs.Tiny, &runs.Small, &runs.Large}) {
        ASSERT_EQ(run->ExitCode, 0) << run->Err;
        EXPECT_LE(LineCount(run->Err), 202u);
    }
    // Four times the input: about four times the memory above the program's own (the list grows by
    // doubling, hence the margin), never sixteen.
    const int64_t base = runs.Tiny.PeakKiB;
    if (kMemoryMeasurable) {
        EXPECT_LE(runs.Large.PeakKiB - base, 6 * (runs.Small.PeakKiB - base) + 2048);
    }

    const TCliResult reload = RunCli(VELMORA_CLI_PATH, dir_.path().string(), "info large.m2v --mode tree");
    ASSERT_EQ(reload.ExitCode, 0) << reload.Err;
    EXPECT_LE(LineCount(reload.Err), 101u);
}

INSTANTIATE_TEST_SUITE_P(Floods, Flood, testing::Values(0xBA, 0x00, 0xB2, 0xB3, 0xB8), [](const auto& info) {
    std::ostringstream name;
    name << "Code" << std::hex << std::uppercase << static_cast<int>(info.param);
    return name.str();
});

// Messages of one kind past the hundredth are counted in one line at the end, in a scan and in a
// cache reload alike; the cut list keeps every block unless told to keep only its head.
TEST(FloodMessages, ForeignBlocksPastTheHundredthAreCountedAndTheCutListHeadIsKept) {
    TempDir dir;
    const std::string path = dir.File("padded.m2v");
    WritePaddedPicture(path);
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        TM2VStream stream(path);
        stream.FKeepCutList = keep;
        std::vector<std::string> messages;
        stream.OnLog = [&messages](const std::string& text) { messages.push_back(text); };
        stream.ParseStream(true, false);
        ASSERT_EQ(messages.size(), 101u);
        EXPECT_EQ(messages[0].rfind("Find not formatted stream or data: BE - Padding Stream, FilePos: ", 0),
                  0u);
        EXPECT_EQ(messages.back(), "... and 1400 more (Find not formatted stream or data)");
        EXPECT_EQ(stream.FUnformattedCount, 1500);
        EXPECT_EQ(stream.FUnformattedBlocks.size(), keep ? 1500u : 1000u);
        EXPECT_TRUE(stream.FUnformattedFound);
    }
}

TEST(FloodMessages, InfoJsonListsTheFirstThousandForeignBlocksAndTheirCountUnlessAskedForAll) {
    TempDir dir;
    WritePaddedPicture(dir.File("padded.m2v"));
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all);
        const TCliResult run = RunCli(VELMORA_CLI_PATH, dir.path().string(),
                                      std::string("info padded.m2v --json") + (all ? " --all" : ""));
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        const nlohmann::json j = nlohmann::json::parse(run.Out);
        ASSERT_EQ(j["foreign_data"].size(), all ? 1500u : 1000u);
        EXPECT_EQ(j["foreign_data"][999]["length"], 10) << "the packet and the next prefix";
        EXPECT_EQ(j.contains("foreign_data_count"), !all);
        if (!all) {
            EXPECT_EQ(j["foreign_data_count"], 1500);
        }
        EXPECT_EQ(j["messages"].size(), 101u);
    }
}

TEST(FloodMessages, UnknownPictureTypesAreFoldedInTheScanAndInEveryReload) {
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop();
    for (uint32_t n = 0; n < 250; ++n) {
        b.Picture(4, n).PictureCodingExtension().Slices(1, 1);
    }
    TempDir dir;
    const std::string path = dir.File("bad.m2v");
    b.WriteToFile(path);
    for (const char* run : {"scan", "reload", "reload again"}) {
        SCOPED_TRACE(run);
        const TAnalysed a = AnalyseFile(path, kShowTreeMode);
        ASSERT_EQ(a.Messages.size(), 101u);
        EXPECT_EQ(a.Messages[99].rfind("Unknown Frame Type! GOP Number: 1, File Position: ", 0), 0u);
        EXPECT_EQ(a.Messages.back(), "... and 150 more (Unknown Frame Type!)");
        EXPECT_EQ(a.Stream->HeaderCount(), 2 + 1 + 250 * 2 + 1) << "every picture is still listed";
    }
}

TEST(FloodMessages, LongUserDataIsPassedWholeAndOnlyItsFirstTenBytesCount) {
    // A block far longer than the reader's buffer, holding 00 00 and 01 bytes but no prefix, after
    // line-21 data that sets switch 1.
    std::vector<uint8_t> data = {0, 0, 0, 0, 0x8A, 0xFF, 0, 0, 0xFE};
    for (int n = 0; n < 700000; ++n) {
        data.push_back(n % 3 == 2 ? 1 : 0);
        data.push_back(0xFF);
    }
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().UserData(data);
    b.Picture(1, 0).PictureCodingExtension().Slices(1, 2);
    b.Picture(3, 1).PictureCodingExtension().Slices(1, 2);
    TempDir dir;
    const TAnalysed a = Analyse(b, dir.File("cc.m2v"), kQuickMode);
    EXPECT_TRUE(a.Stream->FLine21Switch1);
    EXPECT_FALSE(a.Stream->FLine21Switch2);
    EXPECT_DOUBLE_EQ(a.Stream->FPictureCount, 2.0);
    EXPECT_TRUE(a.Messages.empty());
}

}  // namespace
}  // namespace velmora::test
