#include "io/vob_file_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::vector<uint8_t> Counting(size_t size, uint8_t first = 0) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

class VobFileStream : public ::testing::Test {
  protected:
    int64_t SizeOnDisk() const { return static_cast<int64_t>(std::filesystem::file_size(FPath)); }
    TempDir FDir;
    std::string FPath = FDir.File("stream.m2v.vnf");
};

TEST_F(VobFileStream, BufferedStreamHoldsOneMebibyteAndWritesItOnlyWhenFull) {
    const std::vector<uint8_t> bytes = Counting(TVobFileStream::kWriteBufferSize + 1, 3);
    TVobFileStream stream(FPath, TVobFileStream::kModeWrite, true);
    // Many small writes, as the cache writer issues them.
    const int32_t chunk = 443;
    int32_t written = 0;
    while (written + chunk <= TVobFileStream::kWriteBufferSize) {
        stream.Write(bytes.data() + written, chunk);
        written += chunk;
    }
    stream.Write(bytes.data() + written, TVobFileStream::kWriteBufferSize - written);
    EXPECT_EQ(stream.PendingBytes(), TVobFileStream::kWriteBufferSize);
    EXPECT_EQ(SizeOnDisk(), 0);
    stream.Write(bytes.data() + TVobFileStream::kWriteBufferSize, 1);
    EXPECT_EQ(stream.PendingBytes(), 1);
    EXPECT_EQ(SizeOnDisk(), TVobFileStream::kWriteBufferSize);
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(ReadFileBytes(FPath), bytes);
}

TEST_F(VobFileStream, CloseWritesExactlyTheBytesGivenInEitherMode) {
    for (bool buffered : {true, false}) {
        SCOPED_TRACE(buffered ? "buffered" : "unbuffered");
        std::filesystem::remove(FPath);
        TVobFileStream stream(FPath, TVobFileStream::kModeWrite, buffered);
        const std::vector<uint8_t> head = Counting(443), tail = Counting(276, 100);
        stream.Write(head.data(), 443);
        stream.Write(tail.data(), 0);
        stream.Write(tail.data(), 276);
        EXPECT_EQ(SizeOnDisk(), buffered ? 0 : 719);
        EXPECT_TRUE(stream.Close());
        std::vector<uint8_t> expected = head;
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_EQ(ReadFileBytes(FPath), expected);
        EXPECT_TRUE(stream.Close());
        EXPECT_EQ(ReadFileBytes(FPath), expected);
    }
}

TEST_F(VobFileStream, WriteLargerThanTheBufferKeepsTheOrder) {
    const std::vector<uint8_t> small = Counting(10, 200);
    const std::vector<uint8_t> large = Counting(TVobFileStream::kWriteBufferSize + 5000, 1);
    {
        TVobFileStream stream(FPath, TVobFileStream::kModeWrite, true);
        stream.Write(small.data(), 10);
        stream.Write(large.data(), static_cast<int32_t>(large.size()));
        stream.Write(small.data(), 10);
    }
    std::vector<uint8_t> expected = small;
    expected.insert(expected.end(), large.begin(), large.end());
    expected.insert(expected.end(), small.begin(), small.end());
    EXPECT_EQ(ReadFileBytes(FPath), expected);
}

TEST_F(VobFileStream, WritingAnExistingFileOverwritesFromTheStartAndKeepsTheTail) {
    for (bool buffered : {true, false}) {
        SCOPED_TRACE(buffered ? "buffered" : "unbuffered");
        const std::vector<uint8_t> old = Counting(1000);
        WriteFileBytes(FPath, old);
        const std::vector<uint8_t> header(443, 0xEE);
        TVobFileStream stream(FPath, TVobFileStream::kModeWrite, buffered);
        stream.Write(header.data(), 443);
        EXPECT_TRUE(stream.Close());
        std::vector<uint8_t> expected = old;
        std::fill(expected.begin(), expected.begin() + 443, 0xEE);
        EXPECT_EQ(ReadFileBytes(FPath), expected);
    }
}

TEST_F(VobFileStream, ReadsShortAtTheEndAndFlagsIt) {
    WriteFileBytes(FPath, Counting(10));
    TVobFileStream stream(FPath, TVobFileStream::kModeRead, false);
    uint8_t data[8] = {};
    EXPECT_EQ(stream.Read(data, 6), 6);
    EXPECT_FALSE(stream.FEndOfFile);
    EXPECT_EQ(data[5], 5);
    EXPECT_EQ(stream.Read(data, 6), 4);
    EXPECT_TRUE(stream.FEndOfFile);
    EXPECT_EQ(data[3], 9);
    EXPECT_EQ(stream.Read(data, 6), 0);
    EXPECT_TRUE(stream.FEndOfFile);
}

TEST_F(VobFileStream, ReadAtTheEndOfAnEmptyFileReturnsNothing) {
    WriteFileBytes(FPath, {});
    TVobFileStream stream(FPath, TVobFileStream::kModeRead, false);
    uint8_t byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1), 0);
    EXPECT_TRUE(stream.FEndOfFile);
}

TEST_F(VobFileStream, MissingFileForReadingRaises) {
    try {
        TVobFileStream stream(FDir.File("absent.vnf"), TVobFileStream::kModeRead, false);
        FAIL() << "no exception";
    } catch (const EVOBException& e) {
        EXPECT_STREQ(e.what(), "Error while opening file.");
    }
}

// A cache that cannot be written must be noticed by its writer, whether the open, a write or the
// final flush fails.
TEST_F(VobFileStream, WriteFailuresAreReported) {
    {
        TVobFileStream stream(FDir.File("no/such/folder.vnf"), TVobFileStream::kModeWrite, true);
        EXPECT_TRUE(stream.Failed());
        stream.Write("abc", 3);
        EXPECT_FALSE(stream.Close());
    }
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    for (bool buffered : {true, false}) {
        TVobFileStream stream("/dev/full", TVobFileStream::kModeWrite, buffered);
        EXPECT_FALSE(stream.Failed());
        stream.Write("abc", 3);
        EXPECT_EQ(stream.Failed(), !buffered);
        EXPECT_FALSE(stream.Close());
        EXPECT_TRUE(stream.Failed());
    }
}

}  // namespace
}  // namespace velmora
