// The file range copiers: exact bytes through both copy paths, 64-bit lengths on a sparse file, and
// every refusal and failure leaving the target as it was.
#include "tools/file_copy.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "io/output_file.h"
#include "io/temporary_files.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"
#include "tools/file_handle.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    return bytes;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t start, size_t count) {
    return std::vector<uint8_t>(bytes.begin() + start, bytes.begin() + start + count);
}

// Names in the folder other than the ones a test made itself: leftovers of a temporary output file.
size_t FileCount(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class RangeCopyMethods : public ::testing::TestWithParam<TCopyMethod> {};

TEST_P(RangeCopyMethods, WritesExactlyTheRangesAcrossBufferBoundaries) {
    TempDir dir;
    // Larger than the 4 MiB copy buffer, so the buffered path refills several times.
    const auto bytes = RandomBytes((9 << 20) + 123, 7);
    WriteFileBytes(dir.File("src.m2v"), bytes);
    TRangeCopier source(dir.File("src.m2v"), GetParam());
    ASSERT_TRUE(source.Status()) << source.Status().Reason;

    const std::vector<TByteRange> ranges = {{0, 0}, {5, (4 << 20) + 1}, {(9 << 20), 123}, {17, 3}};
    const TToolStatus status = WriteRanges(source, dir.File("out.m2v"), ranges);
    ASSERT_TRUE(status) << status.Reason;

    std::vector<uint8_t> expected;
    for (const TByteRange& r : ranges) {
        const auto part = Slice(bytes, r.Start, r.Count);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")), expected);
    EXPECT_EQ(FileCount(dir.path()), 2u);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, RangeCopyMethods,
                         ::testing::Values(TCopyMethod::Kernel, TCopyMethod::Buffered));

TEST(CopyData, ReplacesAnExistingTargetAndKeepsItsPermissions) {
    TempDir dir;
    const auto bytes = RandomBytes(1000, 1);
    WriteFileBytes(dir.File("src.m2v"), bytes);
    WriteFileBytes(dir.File("out.m2v"), RandomBytes(5000, 2));
    fs::permissions(dir.File("out.m2v"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(CopyData(dir.File("src.m2v"), dir.File("out.m2v"), 500, 400));
    EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")), Slice(bytes, 500, 400));
    EXPECT_EQ(fs::status(dir.File("out.m2v")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(CopyData, WritesThroughALinkToTheFileItPointsAt) {
    TempDir dir;
    const auto bytes = RandomBytes(100, 3);
    WriteFileBytes(dir.File("src.m2v"), bytes);
    WriteFileBytes(dir.File("real.m2v"), {1, 2, 3});
    fs::create_symlink(dir.File("real.m2v"), dir.File("link.m2v"));

    ASSERT_TRUE(CopyData(dir.File("src.m2v"), dir.File("link.m2v"), 0, 100));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.m2v")));
    EXPECT_EQ(ReadFileBytes(dir.File("real.m2v")), bytes);
}

// Each failure must leave the existing target byte for byte as it was and no temporary file behind.
struct FailureCase {
    const char* name;
    std::function<TToolStatus(const TempDir&)> run;
    const char* reason;  // a part of the reason text
};

class CopyFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CopyFailures, ReportTheReasonAndLeaveTheTargetAsItWas) {
    TempDir dir;
    WriteFileBytes(dir.File("src.m2v"), RandomBytes(100000, 4));
    const auto old = RandomBytes(300, 5);
    WriteFileBytes(dir.File("out.m2v"), old);
    const size_t files = FileCount(dir.path());

    const TToolStatus status = GetParam().run(dir);
    EXPECT_FALSE(status);
    EXPECT_NE(status.Reason.find(GetParam().reason), std::string::npos) << status.Reason;
    EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")), old);
    EXPECT_EQ(FileCount(dir.path()), files);
}

INSTANTIATE_TEST_SUITE_P(
    All, CopyFailures,
    ::testing::Values(FailureCase{"NegativeCount",
                                  [](const TempDir& d) {
                                      return CopyData(d.File("src.m2v"), d.File("out.m2v"), 900, -400);
                                  },
                                  "before its start"},
                      FailureCase{"MissingSource",
                                  [](const TempDir& d) {
                                      return CopyData(d.File("gone.m2v"), d.File("out.m2v"), 0, 10);
                                  },
                                  "can not read"},
                      FailureCase{"RangePastSourceEnd",
                                  [](const TempDir& d) {
                                      return CopyData(d.File("src.m2v"), d.File("out.m2v"), 99990, 11);
                                  },
                                  "lie outside"},
                      FailureCase{"FileSizeLimit",
                                  [](const TempDir& d) {
                                      test::FileSizeLimit limit(4096);
                                      return CopyData(d.File("src.m2v"), d.File("out.m2v"), 0, 100000);
                                  },
                                  "File too large"},
                      FailureCase{"FileSizeLimitBuffered",
                                  [](const TempDir& d) {
                                      TRangeCopier source(d.File("src.m2v"), TCopyMethod::Buffered);
                                      const TByteRange all{0, 100000};
                                      test::FileSizeLimit limit(4096);
                                      return WriteRanges(source, d.File("out.m2v"), std::span(&all, 1));
                                  },
                                  "File too large"},
                      FailureCase{"TargetLocked",
                                  [](const TempDir& d) {
                                      TFileHandle reader(::open(d.File("out.m2v").c_str(), O_RDONLY));
                                      ::flock(reader.get(), LOCK_EX);
                                      return CopyData(d.File("src.m2v"), d.File("out.m2v"), 0, 10);
                                  },
                                  "locked"},
                      FailureCase{"TargetIsADirectory",
                                  [](const TempDir& d) {
                                      fs::create_directory(d.File("folder.m2v"));
                                      auto status = CopyData(d.File("src.m2v"), d.File("folder.m2v"), 0, 10);
                                      fs::remove(d.File("folder.m2v"));
                                      return status;
                                  },
                                  "Is a directory"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyData, RefusesTheSourceAsTargetByAnyName) {
    TempDir dir;
    const auto bytes = RandomBytes(1000, 6);
    WriteFileBytes(dir.File("src.m2v"), bytes);
    fs::create_hard_link(dir.File("src.m2v"), dir.File("hard.m2v"));
    fs::create_symlink(dir.File("src.m2v"), dir.File("soft.m2v"));
    const std::string sameFolder = (dir.path() / "." / "src.m2v").string();

    for (const std::string& target :
         {dir.File("src.m2v"), dir.File("hard.m2v"), dir.File("soft.m2v"), sameFolder}) {
        const TToolStatus status = CopyData(dir.File("src.m2v"), target, 100, 200);
        EXPECT_FALSE(status) << target;
        EXPECT_NE(status.Reason.find("is the source file itself"), std::string::npos) << status.Reason;
        EXPECT_FALSE(AppendData(dir.File("src.m2v"), target, 100, 200)) << target;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("src.m2v")), bytes);
}

// Both kinds of temporary file: unnamed (O_TMPFILE, linked into place) and named (a file system without
// O_TMPFILE).
class TemporaryFileKinds : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { UseNamedTemporaryFiles(GetParam()); }
    void TearDown() override { UseNamedTemporaryFiles(false); }
};

// The temporary name is shortened, never the user's: every legal length works, new and replaced.
TEST_P(TemporaryFileKinds, NamesUpToTheLongestLegalOneAreWritten) {
    TempDir dir;
    const auto bytes = RandomBytes(3000, 11);
    WriteFileBytes(dir.File("src.m2v"), bytes);
    for (const size_t length : {230u, 237u, 241u, 250u, 255u}) {
        // Two-byte characters too, so that the shortened copy cannot end inside one.
        std::string name(length % 2, 'x');
        while (name.size() < length) {
            name += "\xC3\xA9";
        }
        const std::string target = dir.File(name);
        ASSERT_TRUE(CopyData(dir.File("src.m2v"), target, 0, 1000)) << length;
        const TToolStatus replaced = CopyData(dir.File("src.m2v"), target, 1000, 2000);
        ASSERT_TRUE(replaced) << length << ": " << replaced.Reason;
        EXPECT_EQ(ReadFileBytes(target), Slice(bytes, 1000, 2000));
        fs::remove(target);
    }
    EXPECT_EQ(FileCount(dir.path()), 1u);
    const TToolStatus tooLong = CopyData(dir.File("src.m2v"), dir.File(std::string(256, 'x')), 0, 10);
    EXPECT_FALSE(tooLong);
    EXPECT_NE(tooLong.Reason.find("File name too long"), std::string::npos) << tooLong.Reason;
}

// A writer stopped by a signal halfway leaves no file behind: an unnamed one goes with the process even
// on SIGKILL; a named one is removed by the handler of SIGINT and SIGTERM.
TEST_P(TemporaryFileKinds, ASignalDuringAWriteLeavesNoFile) {
    const bool named = GetParam();
    for (const int signal : named ? std::vector<int>{SIGINT, SIGTERM} : std::vector<int>{SIGINT, SIGKILL}) {
        TempDir dir;
        WriteFileBytes(dir.File("old.m2v"), {1, 2, 3});
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstallTemporaryFileCleanup();
            TOutputFile created(dir.File("new.m2v"));
            TOutputFile replacing(dir.File("old.m2v"));
            if (!created.Write(std::string(100000, 'x')) || !replacing.Write(std::string(100000, 'x'))) {
                ::_exit(3);
            }
            (void)::write(ready[1], "r", 1);
            ::pause();
            ::_exit(4);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        EXPECT_EQ(FileCount(dir.path()), 1u) << "signal " << signal;
        EXPECT_EQ(ReadFileBytes(dir.File("old.m2v")), (std::vector<uint8_t>{1, 2, 3}));
    }
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamed, TemporaryFileKinds, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Named" : "Unnamed"; });

TEST(CopyData, ReportsAMissingFolder) {
    TempDir dir;
    WriteFileBytes(dir.File("src.m2v"), RandomBytes(100, 8));
    const TToolStatus status = CopyData(dir.File("src.m2v"), dir.File("nowhere/out.m2v"), 0, 100);
    EXPECT_FALSE(status);
    EXPECT_NE(status.Reason.find("can not create " + dir.File("nowhere/out.m2v")), std::string::npos)
        << status.Reason;
}

TEST(CopyData, ReportsAReadOnlyFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write into a read-only folder";
    }
    TempDir dir;
    WriteFileBytes(dir.File("src.m2v"), RandomBytes(100, 8));
    fs::create_directory(dir.File("ro"));
    fs::permissions(dir.File("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    const TToolStatus status = CopyData(dir.File("src.m2v"), dir.File("ro/out.m2v"), 0, 100);
    EXPECT_FALSE(status);
    EXPECT_NE(status.Reason.find("can not create"), std::string::npos) << status.Reason;
}

TEST(AppendData, AppendsAndCreatesAMissingTarget) {
    TempDir dir;
    const auto bytes = RandomBytes(1000, 9);
    WriteFileBytes(dir.File("src.m2v"), bytes);
    ASSERT_TRUE(AppendData(dir.File("src.m2v"), dir.File("out.m2v"), 0, 403));
    ASSERT_TRUE(AppendData(dir.File("src.m2v"), dir.File("out.m2v"), 500, 0));
    ASSERT_TRUE(AppendData(dir.File("src.m2v"), dir.File("out.m2v"), 500, 500));
    auto expected = Slice(bytes, 0, 403);
    const auto tail = Slice(bytes, 500, 500);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")), expected);
}

TEST(AppendData, CutsTheTargetBackWhenTheWriteFails) {
    TempDir dir;
    WriteFileBytes(dir.File("src.m2v"), RandomBytes(100000, 10));
    const auto old = RandomBytes(1000, 11);
    WriteFileBytes(dir.File("out.m2v"), old);
    {
        test::FileSizeLimit limit(8192);
        EXPECT_FALSE(AppendData(dir.File("src.m2v"), dir.File("out.m2v"), 0, 100000));
        EXPECT_FALSE(AppendData(dir.File("src.m2v"), dir.File("new.m2v"), 0, 100000));
    }
    EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")), old);
    EXPECT_FALSE(fs::exists(dir.File("new.m2v")));
}

// A 5 GiB sparse source: only a few marker bytes take disk space, and the copier keeps the holes, so
// ranges past 4 GiB cost no real writing. A copier that takes the low 32 bits of a length stops short.
TEST(CopyData, CopiesRangesLongerThanFourGiB) {
    TempDir dir;
    const int64_t fourGiB = int64_t{1} << 32;
    const int64_t size = fourGiB + (int64_t{1} << 30);
    const std::vector<std::pair<int64_t, uint8_t>> markers = {
        {0, 0x11},       {1000, 0x22},           {fourGiB - 1, 0x33},
        {fourGiB, 0x44}, {fourGiB + 5000, 0x55}, {size - 1, 0x66}};
    {
        TFileHandle f(::open(dir.File("big.m2v").c_str(), O_WRONLY | O_CREAT, 0644));
        ASSERT_EQ(::ftruncate(f.get(), size), 0);
        for (const auto& [at, value] : markers) {
            ASSERT_EQ(::pwrite(f.get(), &value, 1, at), 1);
        }
    }
    auto byteAt = [](const std::string& name, int64_t at) {
        TFileHandle f(::open(name.c_str(), O_RDONLY));
        uint8_t b = 0xEE;
        EXPECT_EQ(::pread(f.get(), &b, 1, at), 1) << at;
        return b;
    };

    const int64_t start = 1000;
    const int64_t count = fourGiB + 4001;  // its last byte is the marker at 4 GiB + 5000
    ASSERT_TRUE(CopyData(dir.File("big.m2v"), dir.File("cut.m2v"), start, count));
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(dir.File("cut.m2v"))), count);
    EXPECT_EQ(byteAt(dir.File("cut.m2v"), 0), 0x22);
    EXPECT_EQ(byteAt(dir.File("cut.m2v"), fourGiB - 1 - start), 0x33);
    EXPECT_EQ(byteAt(dir.File("cut.m2v"), fourGiB - start), 0x44);
    EXPECT_EQ(byteAt(dir.File("cut.m2v"), count - 2), 0x00);
    EXPECT_EQ(byteAt(dir.File("cut.m2v"), count - 1), 0x55);

    // Appending past 4 GiB: the whole file after a first byte already in the target.
    WriteFileBytes(dir.File("append.m2v"), {0x77});
    ASSERT_TRUE(AppendData(dir.File("big.m2v"), dir.File("append.m2v"), 0, size));
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(dir.File("append.m2v"))), size + 1);
    for (const auto& [at, value] : markers) {
        EXPECT_EQ(byteAt(dir.File("append.m2v"), at + 1), value) << at;
    }
}

}  // namespace
}  // namespace velmora
