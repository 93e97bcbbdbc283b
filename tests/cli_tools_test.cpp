// velmora-cli cut, split-gops, correct and seqend: what they write, print and exit with.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/cli_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "tools/cut_positions.h"
#include "tools/gop_cut.h"
#include "tools/picture_entries.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// The stream with its repeated sequence headers (and their extensions) taken out: one sequence header
// for the whole stream, as broadcast and camcorder streams have.
std::vector<uint8_t> WithOneSequenceHeader(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    bool seen = false;
    bool skipping = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i + 3 < bytes.size() && bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            if (bytes[i + 3] == 0xB3) {
                skipping = seen;
                seen = true;
            } else if (bytes[i + 3] != 0xB5) {
                skipping = false;
            }
        }
        if (!skipping) {
            out.push_back(bytes[i]);
        }
    }
    return out;
}

std::vector<int64_t> StartCodePositions(const std::vector<uint8_t>& bytes, uint8_t value) {
    std::vector<int64_t> found;
    for (size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == value) {
            found.push_back(static_cast<int64_t>(i));
        }
    }
    return found;
}

class CliTools : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/sample.m2v", dir_.File("sample.m2v"));
        bytes_ = ReadFileBytes(dir_.File("sample.m2v"));
    }
    TCliResult Run(const std::string& args) { return RunCli(VELMORA_CLI_PATH, dir_.path().string(), args); }
    int64_t CutPosition(int64_t picture) {
        TAnalysed a = AnalyseFile(dir_.File("sample.m2v"), kShowExtendedTreeMode);
        return TCutPositions(dir_.File("sample.m2v"), a.Stream->FHeaders)
            .At(PictureEntryIndex(a.Stream->FHeaders, picture).value())
            .value();
    }
    std::vector<uint8_t> Slice(int64_t from, int64_t to) {
        return std::vector<uint8_t>(bytes_.begin() + from, bytes_.begin() + to);
    }

    TempDir dir_;
    std::vector<uint8_t> bytes_;
};

TEST_F(CliTools, CutWritesFromPictureNUpToPictureM) {
    const TCliResult run = Run("cut sample.m2v --from 13 --to 25 -o out.m2v");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const int64_t from = CutPosition(13);
    const int64_t to = CutPosition(25);
    EXPECT_EQ(ReadFileBytes(dir_.File("out.m2v")), Slice(from, to));
    EXPECT_EQ(run.Out, "Cut to file out.m2v is finished: " + std::to_string(to - from) + " bytes written.\n");

    const TCliResult toEnd = Run("cut sample.m2v --from 1 --to end -o whole.m2v --mode extended-tree");
    ASSERT_EQ(toEnd.ExitCode, 0) << toEnd.Err;
    EXPECT_EQ(ReadFileBytes(dir_.File("whole.m2v")), bytes_);
}

TEST_F(CliTools, CutRefusesBadRangesAndTheSourceAsTarget) {
    TCliResult run = Run("cut sample.m2v --from 25 --to 13 -o out.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("lies before the start"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(dir_.File("out.m2v")));

    run = Run("cut sample.m2v --from 5 --to 5 -o out.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "The range from picture 5 to picture 5 is empty.\n");
    EXPECT_FALSE(fs::exists(dir_.File("out.m2v")));

    run = Run("cut sample.m2v --from 13 --to end -o ./sample.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("is the source file itself"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(dir_.File("sample.m2v")), bytes_);

    run = Run("cut sample.m2v --from 1 --to 100000 -o out.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Picture 100000 does not exist"), std::string::npos) << run.Err;

    run = Run("cut missing.m2v --from 1 --to 2 -o out.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Can not open file missing.m2v !"), std::string::npos) << run.Err;
}

TEST_F(CliTools, UsageErrorsExitWithTwo) {
    for (const char* args :
         {"cut sample.m2v --from 1 -o out.m2v", "cut sample.m2v --from 0 --to 3 -o out.m2v",
          "cut sample.m2v --from 1 --to 1.5 -o out.m2v", "cut sample.m2v --from 1 --to 3",
          "split-gops sample.m2v --mode quick", "correct sample.m2v", "seqend add sample.m2v",
          "seqend set"}) {
        EXPECT_EQ(Run(args).ExitCode, 2) << args;
    }
    EXPECT_EQ(ReadFileBytes(dir_.File("sample.m2v")), bytes_);
}

TEST_F(CliTools, SplitGopsWritesOneFilePerGopBesideTheStream) {
    const TCliResult run = Run("split-gops sample.m2v --mode extended-tree");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Starting GOP cutting...\nGOP cutting is finished: 9 files with GOPs was created.\n");
    std::vector<uint8_t> joined;
    for (int g = 1; g <= 9; ++g) {
        const auto piece = ReadFileBytes(GopPieceName(dir_.File("sample.m2v"), g));
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(joined, bytes_);
    EXPECT_FALSE(fs::exists(dir_.File("sample_GOP00010.m2v")));

    const TCliResult firstGop = Run("split-gops sample.m2v --mode first-gop");
    ASSERT_EQ(firstGop.ExitCode, 0) << firstGop.Err;
    EXPECT_EQ(ReadFileBytes(dir_.File("sample_GOP00001.m2v")), bytes_);
}

TEST_F(CliTools, CutsOfAStreamWithOneSequenceHeaderStartAtTheGopHeaders) {
    const std::vector<uint8_t> bytes =
        WithOneSequenceHeader(ReadFileBytes(std::string(VELMORA_SOURCE_DIR) + "/tests/data/pal_gop_seq.m2v"));
    WriteFileBytes(dir_.File("oneseq.m2v"), bytes);
    ASSERT_EQ(StartCodePositions(bytes, 0xB3).size(), 1u);
    const std::vector<int64_t> gops = StartCodePositions(bytes, 0xB8);
    ASSERT_EQ(gops.size(), 3u);
    const auto slice = [&](int64_t from, int64_t to) {
        return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + to);
    };
    const int64_t size = static_cast<int64_t>(bytes.size());
    for (const std::string mode : {"tree", "extended-tree"}) {
        SCOPED_TRACE(mode);
        // Pictures 11 and 23 are the I pictures of GOPs 2 and 3.
        TCliResult run = Run("cut oneseq.m2v --from 11 --to 23 -o gop2.m2v --mode " + mode);
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(ReadFileBytes(dir_.File("gop2.m2v")), slice(gops[1], gops[2]));
        run = Run("cut oneseq.m2v --from 23 --to end -o gop3.m2v --mode " + mode);
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(ReadFileBytes(dir_.File("gop3.m2v")), slice(gops[2], size));

        run = Run("split-gops oneseq.m2v --mode " + mode);
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(run.Out,
                  "Starting GOP cutting...\nGOP cutting is finished: 3 files with GOPs was created.\n");
        EXPECT_EQ(ReadFileBytes(GopPieceName(dir_.File("oneseq.m2v"), 1)), slice(0, gops[1]));
        EXPECT_EQ(ReadFileBytes(GopPieceName(dir_.File("oneseq.m2v"), 2)), slice(gops[1], gops[2]));
        EXPECT_EQ(ReadFileBytes(GopPieceName(dir_.File("oneseq.m2v"), 3)), slice(gops[2], size));
        for (int g = 1; g <= 3; ++g) {
            fs::remove(GopPieceName(dir_.File("oneseq.m2v"), g));
        }
    }
}

TEST_F(CliTools, SplitGopsFailsWhenPiecesCannotBeWritten) {
    // A folder in the way of piece 2: that piece cannot replace it.
    fs::create_directory(dir_.File("sample_GOP00002.m2v"));
    const TCliResult run = Run("split-gops sample.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("GOP file 2 is not written: "), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("GOP cutting failed: 1 of 9 files with GOPs could not be written."),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(run.Out.find("GOP cutting is finished"), std::string::npos);
}

// A flood of GOP headers would make a file per GOP: past the limit nothing is written without --force.
TEST_F(CliTools, SplitGopsRefusesMorePiecesThanTheLimit) {
    TStreamBuilder b;
    b.SequenceHeader();
    for (int64_t g = 0; g <= kMaxGopPieces; ++g) {
        b.Gop().Picture(1, 0).Slice(1, 0);
    }
    b.WriteToFile(dir_.File("flood.m2v"));
    const TCliResult run = Run("split-gops flood.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("GOP cutting refused: it would create 100001 files with GOPs, more than 100000!"),
              std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("Use --force"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(dir_.File("flood_GOP00001.m2v")));
}

TEST_F(CliTools, SeqendChangesOnlyRegularFiles) {
    for (const char* device : {"/dev/null", "/dev/zero"}) {
        const TCliResult run = Run(std::string("seqend set ") + device);
        EXPECT_EQ(run.ExitCode, 1) << device;
        EXPECT_NE(run.Err.find("not a regular file"), std::string::npos) << run.Err;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(CliTools, CorrectRemovesForeignPacketsAndKeepsAnExistingOutputUnlessForced) {
    TStreamBuilder dirty, clean;
    for (TStreamBuilder* b : {&dirty, &clean}) {
        b->SequenceHeader().SequenceExtension().Gop();
    }
    dirty.PackHeader();
    for (TStreamBuilder* b : {&dirty, &clean}) {
        b->Picture(1, 0).PictureCodingExtension().Slices(1, 3, 12).SequenceEnd();
    }
    dirty.WriteToFile(dir_.File("dirty.m2v"));
    WriteFileBytes(dir_.File("out.m2v"), {1, 2, 3});

    TCliResult run = Run("correct dirty.m2v -o out.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("exists"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(dir_.File("out.m2v")), (std::vector<uint8_t>{1, 2, 3}));

    run = Run("correct dirty.m2v -o out.m2v --force");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Corrected file out.m2v is saved: 1 blocks of foreign data removed.\n");
    EXPECT_EQ(ReadFileBytes(dir_.File("out.m2v")), clean.Bytes());

    run = Run("correct sample.m2v -o clean.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("no foreign data was found"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(dir_.File("clean.m2v")));
}

TEST_F(CliTools, SeqendSetAndDeletePrintTheToolTexts) {
    TCliResult run = Run("seqend set sample.m2v");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "SEQUENCE_END code was seted.\n");
    EXPECT_EQ(fs::file_size(dir_.File("sample.m2v")), bytes_.size() + 4);

    run = Run("seqend set sample.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(
        run.Err,
        "SEQUENCE_END code was not seted!\nReason: sample.m2v already ends with a SEQUENCE_END code.\n");

    run = Run("seqend delete sample.m2v");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "SEQUENCE_END code was deleted.\n");
    EXPECT_EQ(ReadFileBytes(dir_.File("sample.m2v")), bytes_);

    run = Run("seqend delete sample.m2v");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')), "SEQUENCE_END code was not deleted!");
}

}  // namespace
}  // namespace velmora::test
