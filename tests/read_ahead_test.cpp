#include "io/read_ahead.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "io/file_bit_stream.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::TempDir;
using test::WriteFileBytes;

class ReadAheadFile : public ::testing::Test {
  protected:
    // Opens a file of Size bytes counting 0, 1, 2 ... so every block shows where it came from.
    int Open(size_t Size) {
        for (size_t i = 0; i < Size; ++i) {
            FBytes.push_back(static_cast<uint8_t>(i * 7 + i / 251));
        }
        WriteFileBytes(FPath, FBytes);
        FFd = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
        return FFd;
    }
    ~ReadAheadFile() override {
        if (FFd >= 0) {
            ::close(FFd);
        }
    }
    TempDir FDir;
    std::string FPath = FDir.File("ahead.bin");
    std::vector<uint8_t> FBytes;
    int FFd = -1;
};

// Every block in file order, across many laps of the ring; the end is a short block, or an empty one
// when the file ends on a block edge, and nothing but empty blocks after it.
TEST_F(ReadAheadFile, HandsOutTheFileInOrderAndEndsWithAShortOrEmptyBlock) {
    for (auto [size, offset, block] : std::vector<std::tuple<size_t, int64_t, int32_t>>{
             {10'000, 0, 64}, {10'000, 3, 64}, {4096, 0, 1024}, {4096, 96, 1000}, {5, 0, 1}, {0, 0, 16}}) {
        SCOPED_TRACE(std::to_string(size) + " bytes from " + std::to_string(offset) + " in blocks of " +
                     std::to_string(block));
        FBytes.clear();
        ASSERT_GE(Open(size), 0);
        TReadAhead ahead(FFd, offset, block);
        std::vector<uint8_t> seen;
        TReadAhead::TBlock got;
        do {
            got = ahead.Next();
            ASSERT_LE(got.Size, block);
            seen.insert(seen.end(), got.Data, got.Data + got.Size);
        } while (got.Size == block);
        EXPECT_EQ(seen, std::vector<uint8_t>(FBytes.begin() + std::min<int64_t>(offset, size), FBytes.end()));
        EXPECT_EQ(ahead.Next().Size, 0);
        ::close(FFd);
        FFd = -1;
    }
}

// Stopping leaves the current block readable and ends the hand-out, also while the worker waits for
// the reader to free a slot; destruction never waits for blocks nobody asked for.
TEST_F(ReadAheadFile, StopKeepsTheCurrentBlockAndEndsTheHandOut) {
    ASSERT_GE(Open(100'000), 0);
    {
        TReadAhead ahead(FFd, 0, 100);
        const TReadAhead::TBlock first = ahead.Next();
        ASSERT_EQ(first.Size, 100);
        ahead.Stop();
        EXPECT_EQ(std::vector<uint8_t>(first.Data, first.Data + first.Size),
                  std::vector<uint8_t>(FBytes.begin(), FBytes.begin() + 100));
        EXPECT_EQ(ahead.Next().Size, 0);
    }
    TReadAhead untouched(FFd, 0, 100);  // destroyed with its ring full and no block taken
}

// The bit reader gives the same bytes, positions and refill counts whether it reads ahead or not: a
// file of many buffers read through both kinds of reader.
TEST_F(ReadAheadFile, BitReaderReadsTheSameWithAndWithoutASecondProcessor) {
    Open(200'000);
    const std::string path = FPath;
    auto readAll = [&path] {
        TFileBitStream reader(path, 4096);
        std::vector<uint32_t> values;
        while (!reader.FEof) {
            values.push_back(reader.ReadBits(13));
            values.push_back(static_cast<uint32_t>(reader.Position()));
        }
        values.push_back(static_cast<uint32_t>(reader.FRefillCount));
        return values;
    };
    const std::vector<uint32_t> ahead = readAll();
    cpu_set_t all;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_FALSE(ReadAheadPays());
    const std::vector<uint32_t> inTurn = readAll();
    ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(ahead, inTurn);
    EXPECT_EQ(ahead.back(), 200'000 / 4096 + 1);
}

}  // namespace
}  // namespace velmora
