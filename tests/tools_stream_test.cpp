// The editing tools on real streams through the analyser: GOP pieces that join back into the source,
// the corrected copy of a stream with inserted system packets, and the analyser's lock respected.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"
#include "tools/corrected_copy.h"
#include "tools/gop_cut.h"
#include "tools/range_cut.h"
#include "tools/sequence_end.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> RealStreams() {
    std::vector<std::string> names = {std::string(VELMORA_SOURCE_DIR) + "/samples/sample.m2v"};
    for (const char* name : {"pal_gop_seq.m2v", "ntsc_interlaced.m2v", "two_sequences.m2v", "mpeg1.m1v",
                             "drop_frame.m2v", "soft_pulldown.m2v", "foreign_packets.m2v"}) {
        names.push_back(std::string(VELMORA_TEST_DATA_DIR) + "/" + name);
    }
    return names;
}

// Analyses a copy of the stream in a folder of its own, so cache files and pieces stay there.
class RealStream : public ::testing::TestWithParam<std::tuple<std::string, int32_t>> {
  protected:
    void SetUp() override {
        const std::string& original = std::get<0>(GetParam());
        if (!fs::exists(original)) {
            GTEST_SKIP() << original << " is not there";
        }
        copy_ = dir_.File(fs::path(original).filename().string());
        fs::copy_file(original, copy_);
    }

    TempDir dir_;
    std::string copy_;
};

TEST_P(RealStream, GopPiecesJoinBackIntoTheSource) {
    const int32_t mode = std::get<1>(GetParam());
    TAnalysed a = AnalyseFile(copy_, mode);
    RecordingLog log;
    TToolHooks hooks;
    hooks.Log = &log;
    const TGopCutResult result = CutAllGops(*a.Stream, hooks);
    ASSERT_TRUE(result.Ok()) << log.Texts().back();
    EXPECT_EQ(result.Pieces, mode == kShowFirstGopMode ? 1 : a.Stream->FGopCount);

    std::vector<uint8_t> joined;
    for (int64_t g = 1; g <= result.Pieces; ++g) {
        const auto piece = ReadFileBytes(GopPieceName(copy_, g));
        ASSERT_FALSE(piece.empty()) << g;
        if (g > 1) {
            // Each later piece begins at a start code: its sequence header, or its own picture.
            ASSERT_GE(piece.size(), 4u);
            EXPECT_EQ(piece[0] | piece[1], 0);
            EXPECT_EQ(piece[2], 1);
        }
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(joined, ReadFileBytes(copy_));
    EXPECT_FALSE(fs::exists(GopPieceName(copy_, result.Pieces + 1)));
}

INSTANTIATE_TEST_SUITE_P(Samples, RealStream,
                         ::testing::Combine(::testing::ValuesIn(RealStreams()),
                                            ::testing::Values(kShowTreeMode, kShowExtendedTreeMode,
                                                              kShowFirstGopMode)),
                         [](const auto& info) {
                             std::string name = fs::path(std::get<0>(info.param)).stem().string() + "_mode" +
                                                std::to_string(std::get<1>(info.param));
                             return name;
                         });

// Every stretch from a system-layer start code (0xB9..0xFF) up to and including the next prefix, found
// by a plain byte scan, as the cut list holds them.
std::vector<TDataBlock> ForeignBlocks(const std::vector<uint8_t>& bytes) {
    std::vector<int64_t> codes;  // offsets of start code value bytes
    for (size_t i = 3; i < bytes.size(); ++i) {
        if (bytes[i - 3] == 0 && bytes[i - 2] == 0 && bytes[i - 1] == 1) {
            codes.push_back(static_cast<int64_t>(i));
        }
    }
    std::vector<TDataBlock> blocks;
    for (size_t k = 0; k < codes.size(); ++k) {
        if (bytes[codes[k]] >= 0xB9) {
            const int64_t next = k + 1 < codes.size() ? codes[k + 1] : static_cast<int64_t>(bytes.size());
            blocks.push_back({codes[k], next - codes[k]});
        }
    }
    return blocks;
}

TEST(CorrectedCopy, SampleWithInsertedPacketsGivesBackTheCleanSample) {
    const std::string dirty = std::string(VELMORA_TEST_DATA_DIR) + "/foreign_packets.m2v";
    const std::string clean = std::string(VELMORA_TEST_DATA_DIR) + "/foreign_packets_clean.m2v";
    if (!fs::exists(dirty) || !fs::exists(clean)) {
        GTEST_SKIP() << "the foreign packet samples are not there";
    }
    const std::vector<TDataBlock> blocks = ForeignBlocks(ReadFileBytes(dirty));
    ASSERT_EQ(blocks.size(), 26u);
    TempDir dir;
    ASSERT_TRUE(SaveCorrected(dirty, blocks, dir.File("corrected.m2v")));
    EXPECT_EQ(ReadFileBytes(dir.File("corrected.m2v")), ReadFileBytes(clean));
}

// The same stream built twice, with and without a foreign packet at each point where the analyser
// looks for one (after the sequence extension, the GOP header and each picture coding extension).
struct TStreamPair {
    TStreamBuilder dirty;
    TStreamBuilder clean;
    int packets = 0;
};

TStreamPair StreamWithPackets() {
    TStreamPair p;
    auto both = [&p](auto&& add) {
        add(p.dirty);
        add(p.clean);
    };
    for (int g = 0; g < 3; ++g) {
        both([](TStreamBuilder& b) { b.SequenceHeader().SequenceExtension(); });
        p.dirty.PackHeader();
        both([](TStreamBuilder& b) { b.Gop(); });
        p.dirty.PaddingPacket(6);
        p.packets += 2;
        for (uint32_t pic = 0; pic < 4; ++pic) {
            both([pic](TStreamBuilder& b) { b.Picture(pic == 0 ? 1 : 2, pic).PictureCodingExtension(); });
            p.dirty.PaddingPacket(static_cast<uint16_t>(pic * 7));
            ++p.packets;
            both([](TStreamBuilder& b) { b.Slices(1, 4, 20); });
        }
    }
    both([](TStreamBuilder& b) { b.SequenceEnd(); });
    return p;
}

class CorrectedCopyAfterAnalysis : public ::testing::TestWithParam<int32_t> {};

TEST_P(CorrectedCopyAfterAnalysis, EqualsTheStreamWithoutThePackets) {
    const TStreamPair streams = StreamWithPackets();
    TempDir dir;
    TAnalysed a = Analyse(streams.dirty, dir.File("dirty.m2v"), GetParam());
    ASSERT_EQ(a.Stream->FUnformattedBlocks.size(), static_cast<size_t>(streams.packets));

    RecordingLog log;
    ASSERT_TRUE(SaveCorrectedWithLog(*a.Stream, dir.File("corrected.m2v"), &log)) << log.Texts().back();
    EXPECT_EQ(ReadFileBytes(dir.File("corrected.m2v")), streams.clean.Bytes());
    EXPECT_EQ(log.Texts().back(), "Corrected file " + dir.File("corrected.m2v") + " is saved: " +
                                      std::to_string(streams.packets) + " blocks of foreign data removed.");
}

INSTANTIATE_TEST_SUITE_P(Modes, CorrectedCopyAfterAnalysis,
                         ::testing::Values(kQuickMode, kShowExtendedTreeMode));

TEST(ToolsAndAnalyser, FileBeingAnalysedIsNotChangedOrReplaced) {
    TempDir dir;
    const std::string name = dir.File("sample.m2v");
    fs::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/sample.m2v", name);
    const auto before = ReadFileBytes(name);
    fs::copy_file(name, dir.File("other.m2v"));

    // The analyser's reader holds the file from its creation until CloseFile, the whole scan.
    TM2VStream analyser(name);
    RecordingLog log;
    EXPECT_FALSE(SetSequenceEndWithLog(name, &log));
    EXPECT_FALSE(CutRangeWithLog(dir.File("other.m2v"), name, 0, 100, &log));
    EXPECT_EQ(ReadFileBytes(name), before);
    for (const LogLine& line : log.lines) {
        EXPECT_EQ(line.colour, colour::Red) << line.text;
    }

    analyser.CloseFile();
    EXPECT_TRUE(SetSequenceEndWithLog(name, &log));
    EXPECT_EQ(log.Texts().back(), "SEQUENCE_END code was seted.");
}

}  // namespace
}  // namespace velmora::test
