// The range cut between two pictures' cut positions, and the corrected copy without the cut list's blocks.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "support/byte_fixtures.h"
#include "support/file_size_limit.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"
#include "tools/corrected_copy.h"
#include "tools/picture_entries.h"
#include "tools/range_cut.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::CountingBytes;
using test::ReadFileBytes;
using test::RecordingLog;
using test::Slice;
using test::TempDir;
using test::WriteFileBytes;

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class EditTool : public ::testing::Test {
  protected:
    void SetUp() override { WriteFileBytes(source_, bytes_); }

    TempDir dir_;
    std::string source_ = dir_.File("movie.m2v");
    std::string target_ = dir_.File("cut.m2v");
    std::vector<uint8_t> bytes_ = CountingBytes(1000);
    RecordingLog log_;
};

TEST_F(EditTool, RangeCutWritesFromStartUpToFinish) {
    ASSERT_TRUE(CutRangeWithLog(source_, target_, 500, 900, &log_));
    EXPECT_EQ(ReadFileBytes(target_), Slice(bytes_, 500, 900));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text, "Cut to file " + target_ + " is finished: 400 bytes written.");
    EXPECT_EQ(log_.lines[0].colour, colour::Blue);
    EXPECT_EQ(log_.lines[0].kind, logkind::Information);

    ASSERT_TRUE(CutRange(source_, target_, 0, 1000));
    EXPECT_EQ(ReadFileBytes(target_), bytes_);
}

TEST_F(EditTool, RangeCutRefusesAFinishBeforeTheStart) {
    WriteFileBytes(target_, {9, 9, 9});
    EXPECT_FALSE(CutRangeWithLog(source_, target_, 900, 500, &log_));
    EXPECT_EQ(ReadFileBytes(target_), (std::vector<uint8_t>{9, 9, 9}));
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text,
              "Cut to file " + target_ + " failed: the finish (byte 500) lies before the start (byte 900)!");
    EXPECT_EQ(log_.lines[0].colour, colour::Red);
    EXPECT_EQ(log_.lines[0].kind, logkind::Error);
}

TEST_F(EditTool, RangeCutAndCorrectedCopyRefuseTheSourceAsTarget) {
    const std::vector<TDataBlock> blocks = {{403, 97}};
    EXPECT_FALSE(CutRangeWithLog(source_, source_, 500, 900, &log_));
    EXPECT_FALSE(SaveCorrectedWithLog(source_, blocks, dir_.File("./movie.m2v"), &log_));
    EXPECT_EQ(ReadFileBytes(source_), bytes_);
    ASSERT_EQ(log_.lines.size(), 2u);
    for (const auto& line : log_.lines) {
        EXPECT_NE(line.text.find("is the source file itself!"), std::string::npos) << line.text;
        EXPECT_EQ(line.colour, colour::Red);
    }
}

TEST_F(EditTool, CorrectedCopyDropsEachBlockButKeepsThePrefixBeforeIt) {
    const std::vector<TDataBlock> blocks = {{403, 97}};
    ASSERT_TRUE(SaveCorrectedWithLog(source_, blocks, target_, &log_));
    const auto out = ReadFileBytes(target_);
    ASSERT_EQ(out.size(), 903u);
    EXPECT_EQ(out, Joined({Slice(bytes_, 0, 403), Slice(bytes_, 500, 1000)}));
    EXPECT_EQ(out[402], bytes_[402]);
    EXPECT_EQ(out[403], bytes_[500]);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text,
              "Corrected file " + target_ + " is saved: 1 blocks of foreign data removed.");
    EXPECT_EQ(log_.lines[0].colour, colour::Blue);
}

TEST(PictureEntryIndex, CountsPictureEntriesInStreamOrderFromOne) {
    THeaderList list;
    list.AppendEmpty(kind::SequenceHeader);
    list.AppendEmpty(kind::GopHeader);
    for (int64_t at : {0, 150, 320}) {
        TPictureHeaderRecord pic{};
        pic.file_position = at;
        list.Append(kind::PictureHeader, pic);
        list.AppendEmpty(kind::PictureCodingExtension);
        list.AppendEmpty(0xCB);  // a foreign audio start code: the kind of a picture, but no record
    }
    EXPECT_EQ(PictureEntryIndex(list, 1), 2);
    EXPECT_EQ(PictureEntryIndex(list, 2), 5);
    EXPECT_EQ(PictureEntryIndex(list, 3), 8);
    EXPECT_EQ(PictureEntryIndex(list, 4), std::nullopt);
    EXPECT_EQ(PictureEntryIndex(list, 0), std::nullopt);
    EXPECT_EQ(PictureEntryIndex(list, -1), std::nullopt);
}

struct BlockCase {
    const char* name;
    std::vector<TDataBlock> blocks;
    std::vector<std::pair<size_t, size_t>> kept;
};

class CorrectedCopyBlocks : public EditTool, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(CorrectedCopyBlocks, KeepExactlyTheBytesBetweenBlocks) {
    ASSERT_TRUE(SaveCorrected(source_, GetParam().blocks, target_));
    std::vector<uint8_t> expected;
    for (const auto& [from, to] : GetParam().kept) {
        const auto part = Slice(bytes_, from, to);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(ReadFileBytes(target_), expected);
}

INSTANTIATE_TEST_SUITE_P(All, CorrectedCopyBlocks,
                         ::testing::Values(BlockCase{"Adjacent",
                                                     {{100, 50}, {150, 25}, {600, 10}},
                                                     {{0, 100}, {175, 600}, {610, 1000}}},
                                           BlockCase{"AtStart", {{0, 10}}, {{10, 1000}}},
                                           BlockCase{"AtEnd", {{990, 10}}, {{0, 990}}},
                                           BlockCase{"Empty", {{300, 0}}, {{0, 1000}}},
                                           BlockCase{"Everything", {{0, 1000}}, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CorrectedFailure {
    const char* name;
    std::vector<TDataBlock> blocks;
    uint64_t sizeLimit;  // 0: none
    const char* reason;
};

class CorrectedCopyFailures : public EditTool, public ::testing::WithParamInterface<CorrectedFailure> {};

TEST_P(CorrectedCopyFailures, LeaveAnExistingTargetUntouched) {
    const std::vector<uint8_t> old = {7, 7, 7, 7};
    WriteFileBytes(target_, old);
    bool saved = true;
    if (GetParam().sizeLimit != 0) {
        test::FileSizeLimit limit(GetParam().sizeLimit);
        saved = SaveCorrectedWithLog(source_, GetParam().blocks, target_, &log_);
    } else {
        saved = SaveCorrectedWithLog(source_, GetParam().blocks, target_, &log_);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(target_), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text.rfind("Corrected file " + target_ + " is not saved: ", 0), 0u);
    EXPECT_NE(log_.lines[0].text.find(GetParam().reason), std::string::npos) << log_.lines[0].text;
    EXPECT_EQ(log_.lines[0].colour, colour::Red);
}

INSTANTIATE_TEST_SUITE_P(All, CorrectedCopyFailures,
                         ::testing::Values(CorrectedFailure{"EmptyCutList", {}, 0, "no foreign data"},
                                           CorrectedFailure{
                                               "Overlapping", {{100, 50}, {120, 10}}, 0, "does not fit"},
                                           CorrectedFailure{"PastTheEnd", {{990, 20}}, 0, "does not fit"},
                                           CorrectedFailure{"WriteFails", {{10, 10}}, 500, "File too large"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
