// GOP pieces and corrected copies longer than 4 GiB, on a sparse source: only marker bytes take disk
// space and the copier keeps the holes, so no test writes gigabytes. A length cut to 32 bits stops short.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "support/temp_dir.h"
#include "tools/corrected_copy.h"
#include "tools/file_handle.h"
#include "tools/gop_cut.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kFourGiB = int64_t{1} << 32;
constexpr int64_t kSize = kFourGiB + (int64_t{1} << 29);

class LargeFile : public ::testing::Test {
  protected:
    void SetUp() override {
        TFileHandle f(::open(source_.c_str(), O_WRONLY | O_CREAT, 0644));
        ASSERT_EQ(::ftruncate(f.get(), kSize), 0);
        for (const auto& [at, value] : markers_) {
            ASSERT_EQ(::pwrite(f.get(), &value, 1, at), 1);
        }
    }
    static uint8_t ByteAt(const std::string& name, int64_t at) {
        TFileHandle f(::open(name.c_str(), O_RDONLY));
        uint8_t b = 0xEE;
        EXPECT_EQ(::pread(f.get(), &b, 1, at), 1) << at;
        return b;
    }

    test::TempDir dir_;
    std::string source_ = dir_.File("big.m2v");
    const std::vector<std::pair<int64_t, uint8_t>> markers_ = {
        {0, 0x11}, {kFourGiB - 1, 0x22}, {kFourGiB + 100, 0x33}, {kFourGiB + 200, 0x44}, {kSize - 1, 0x55}};
};

TEST_F(LargeFile, GopPieceLongerThanFourGiBIsWhole) {
    THeaderList list;
    for (int64_t at : {int64_t{0}, kFourGiB + 100}) {
        list.AppendEmpty(kind::SequenceHeader);
        list.AppendEmpty(kind::GopHeader);
        TPictureHeaderRecord pic{};
        pic.file_position = at;
        list.Append(kind::PictureHeader, pic);
    }
    TToolHooks hooks;
    ASSERT_TRUE(CutAllGops(source_, kSize, list, hooks).Ok());
    const std::string first = GopPieceName(source_, 1);
    const std::string second = GopPieceName(source_, 2);
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(first)), kFourGiB + 100);
    EXPECT_EQ(ByteAt(first, 0), 0x11);
    EXPECT_EQ(ByteAt(first, kFourGiB - 1), 0x22);
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(second)), kSize - kFourGiB - 100);
    EXPECT_EQ(ByteAt(second, 0), 0x33);
    EXPECT_EQ(ByteAt(second, kSize - kFourGiB - 101), 0x55);
}

TEST_F(LargeFile, CorrectedCopyKeepsEverythingPastFourGiB) {
    // One block between the markers at 4 GiB + 100 and + 200, and one near the end.
    const std::vector<TDataBlock> blocks = {{kFourGiB + 101, 50}, {kSize - 11, 10}};
    const std::string out = dir_.File("corrected.m2v");
    ASSERT_TRUE(SaveCorrected(source_, blocks, out));
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(out)), kSize - 60);
    EXPECT_EQ(ByteAt(out, kFourGiB - 1), 0x22);
    EXPECT_EQ(ByteAt(out, kFourGiB + 100), 0x33);
    EXPECT_EQ(ByteAt(out, kFourGiB + 150), 0x44);
    EXPECT_EQ(ByteAt(out, kSize - 61), 0x55);
}

}  // namespace
}  // namespace velmora
