#include "io/file_bit_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/message_box.h"
#include "io/file_lock.h"
#include "io/start_code_scan.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::TempDir;
using test::WriteFileBytes;

// The reader as plainly as it can be written: bit by bit and byte by byte over memory, with the
// same fills as the file reader. The file reader's block search must leave exactly this state.
class TReferenceReader {
  public:
    TReferenceReader(const std::vector<uint8_t>& Data, int32_t BufferSize)
        : FData(&Data), FBufferSize(BufferSize) {
        Refill();
    }

    uint32_t ReadBit() {
        if (FEof) {
            return 0;
        }
        const uint32_t bit = (Byte() >> (FBitsLeft - 1)) & 1u;
        if (--FBitsLeft == 0) {
            FBitsLeft = 8;
            ++FBytePos;
            Advance();
        }
        return bit;
    }

    uint32_t ReadBits(uint32_t Count) {
        uint32_t result = 0;
        if (FBitsLeft == 8 && Count % 8 == 0) {
            for (uint32_t n = 0; n < Count / 8; ++n) {
                result <<= 8;
                if (!FEof) {
                    result |= Byte();
                    ++FBytePos;
                    Advance();
                }
            }
            return result;
        }
        for (uint32_t n = 0; n < Count; ++n) {
            result = result * 2 + ReadBit();
        }
        return result;
    }

    // What the next ReadBits(Count) gives, taken from a copy.
    uint32_t PeekBits(int32_t Count) const {
        TReferenceReader copy = *this;
        return copy.ReadBits(static_cast<uint32_t>(Count));
    }

    bool FindPattern(uint32_t Pattern, uint32_t Width) {
        const uint32_t mask = Width >= 32 ? ~0u : (1u << Width) - 1;
        while (FBitsLeft != 8) {
            ReadBit();
        }
        uint32_t value = ReadBits(Width);
        while ((value & mask) != Pattern) {
            if (FEof) {
                return false;
            }
            value = (value << 8) | ReadBits(8);
        }
        return true;
    }

    int64_t Position() const {
        return FEof ? static_cast<int64_t>(FData->size()) : (FRefillCount - 1) * FBufferSize + FBytePos;
    }

    bool FEof = false;
    int64_t FRefillCount = 0;

  private:
    uint8_t Byte() const { return (*FData)[FBufferStart + FBytePos]; }

    bool Refill() {
        ++FRefillCount;
        const int64_t left = static_cast<int64_t>(FData->size()) - FNextFill;
        const int32_t got = static_cast<int32_t>(std::min<int64_t>(left, FBufferSize));
        if (got <= 0) {
            FEof = true;
            return false;
        }
        FBufferStart = FNextFill;
        FNextFill += got;
        FDataSize = got;
        return true;
    }

    void Advance() {
        if (FBytePos != FDataSize) {
            return;
        }
        if (FDataSize == FBufferSize) {
            Refill();
            FBytePos = 0;
        } else {
            FEof = true;
        }
    }

    const std::vector<uint8_t>* FData;
    int32_t FBufferSize;
    int32_t FBytePos = 0;
    int32_t FBitsLeft = 8;
    int32_t FDataSize = 0;
    int64_t FBufferStart = 0;
    int64_t FNextFill = 0;
};

// Captures message-box texts for the length of a test.
class TMessageCapture {
  public:
    TMessageCapture() {
        FPrevious = SetMessageBoxHandler([this](const std::string& text) { Messages.push_back(text); });
    }
    ~TMessageCapture() { SetMessageBoxHandler(FPrevious); }
    std::vector<std::string> Messages;

  private:
    MessageBoxHandler FPrevious;
};

// A fresh seed each run, printed so that a failure can be replayed with VELMORA_TEST_SEED=N.
uint32_t TestSeed() {
    const char* given = std::getenv("VELMORA_TEST_SEED");
    const uint32_t seed =
        given ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10)) : std::random_device{}();
    std::printf("random seed %u\n", seed);
    return seed;
}

int CountOpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator()));
}

// Random bytes rich in zeros, 00 00 01 prefixes and runs of zeros, so that prefixes land on every
// possible place relative to block and buffer edges.
// Sparse streams have long stretches without any zero byte, as coded slice data has.
std::vector<uint8_t> RandomStream(std::mt19937& rng, size_t size, bool sparse = false) {
    std::vector<uint8_t> data;
    std::uniform_int_distribution<int> pick(0, sparse ? 2999 : 99);
    while (data.size() < size) {
        const int p = pick(rng);
        if (p < 8) {
            data.insert(data.end(), {0, 0, 1});
        } else if (p < 12) {
            data.insert(data.end(), {0, 0, 0, 0, 1});
        } else if (p < 30) {
            data.push_back(0);
        } else if (p < 35) {
            data.push_back(1);
        } else {
            data.push_back(static_cast<uint8_t>(sparse ? 2 + rng() % 254 : rng()));
        }
    }
    data.resize(size);
    return data;
}

TEST(StartCodeScan, BlockSearchesAgreeWithByteByByteSearch) {
    const uint32_t seed = TestSeed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 3000; ++round) {
        const std::vector<uint8_t> data = RandomStream(rng, 1 + rng() % 400, round % 2 == 1);
        const int32_t size = static_cast<int32_t>(data.size());
        const int32_t begin = static_cast<int32_t>(rng() % size);
        const int32_t end = begin + static_cast<int32_t>(rng() % (size - begin + 1));
        const uint32_t history = rng() % 4;
        uint32_t expectedHistory = history, blockHistory = history, portableHistory = history;
        const int32_t expected = FindStartCodeEndByteByByte(data.data(), begin, end, expectedHistory);
        ASSERT_EQ(FindStartCodeEnd(data.data(), begin, end, blockHistory), expected) << "round " << round;
        ASSERT_EQ(FindStartCodeEndPortable(data.data(), begin, end, portableHistory), expected);
        if (expected < 0) {
            ASSERT_EQ(blockHistory, expectedHistory);
            ASSERT_EQ(portableHistory, expectedHistory);
        }
        // Passing over the prefixes followed by a value in a range, as repeated searches would.
        const uint8_t first = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : 1);
        const uint8_t last = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : 0xAF);
        uint32_t repeatedHistory = history;
        int32_t from = begin;
        int32_t stop = -1;
        for (;;) {
            stop = FindStartCodeEndByteByByte(data.data(), from, end, repeatedHistory);
            if (stop < 0 || stop + 1 >= end || data[stop + 1] < first || data[stop + 1] > last) {
                break;
            }
            from = stop + 1;
        }
        for (const TScanKernel kernel : AvailableScanKernels()) {
            uint32_t outsideHistory = history;
            ASSERT_EQ(
                FindStartCodeEndOutsideWith(kernel, data.data(), begin, end, outsideHistory, first, last),
                stop)
                << "round " << round << " kernel " << static_cast<int>(kernel);
            if (stop < 0) {
                // Only a zero last byte matters to the next search (a prefix needs both bytes zero).
                const auto effective = [](uint32_t h) { return (h & 2) != 0 ? h : 0; };
                ASSERT_EQ(effective(outsideHistory), effective(repeatedHistory)) << "round " << round;
            }
        }
    }
}

// Random files, random buffer sizes and a random mix of every read operation: after each step the
// file reader must return what the reference returns and agree on FEof, Position and FRefillCount.
TEST(FileBitStream, MatchesByteByByteReferenceOnRandomData) {
    const uint32_t seed = TestSeed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    TempDir dir;
    const std::string path = dir.File("random.m2v");
    for (int round = 0; round < 300; ++round) {
        const std::vector<uint8_t> data = RandomStream(rng, 1 + rng() % 3000, round % 2 == 1);
        WriteFileBytes(path, data);
        const int32_t bufferSize = 1 + static_cast<int32_t>(rng() % 300);
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(data.size()) +
                     " bytes, buffer " + std::to_string(bufferSize));
        TReferenceReader expected(data, bufferSize);
        TFileBitStream reader(path, bufferSize);
        for (int step = 0; step < 400 && !(expected.FEof && step % 50 == 49); ++step) {
            const int op = static_cast<int>(rng() % 11);
            const uint32_t count = rng() % 33;
            if (op < 3) {
                ASSERT_EQ(reader.FindPattern(1, 24), expected.FindPattern(1, 24)) << "step " << step;
            } else if (op < 4) {
                ASSERT_EQ(reader.FindPattern(0x1B3, 32), expected.FindPattern(0x1B3, 32)) << "step " << step;
            } else if (op < 6) {
                ASSERT_EQ(reader.PeekBits(static_cast<int32_t>(count)),
                          expected.PeekBits(static_cast<int32_t>(count)))
                    << "step " << step;
            } else if (op < 7) {
                ASSERT_EQ(reader.ReadBit(), expected.ReadBit()) << "step " << step;
            } else if (op < 9) {
                ASSERT_EQ(reader.ReadBits(count), expected.ReadBits(count)) << "step " << step;
            } else if (op < 10) {
                ASSERT_EQ(reader.ReadBits(8), expected.ReadBits(8)) << "step " << step;
            } else {
                // The slice skip: one call against a search per start code in the range.
                bool found = expected.FindPattern(1, 24);
                while (found && !expected.FEof && expected.PeekBits(8) >= 0x01 &&
                       expected.PeekBits(8) <= 0xAF) {
                    found = expected.FindPattern(1, 24);
                }
                ASSERT_EQ(reader.FindStartCodeOutside(0x01, 0xAF), found) << "step " << step;
            }
            ASSERT_EQ(reader.FEof, expected.FEof) << "step " << step;
            ASSERT_EQ(reader.Position(), expected.Position()) << "step " << step;
            ASSERT_EQ(reader.FRefillCount, expected.FRefillCount) << "step " << step;
        }
    }
}

// A scan as the analyser does it: every start code and its value, over buffers of many sizes.
TEST(FileBitStream, FindsEveryStartCodeAcrossBufferEdges) {
    const uint32_t seed = TestSeed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    TempDir dir;
    const std::string path = dir.File("scan.m2v");
    const std::vector<uint8_t> data = RandomStream(rng, 20000);
    WriteFileBytes(path, data);
    for (int32_t bufferSize : {1, 2, 3, 4, 5, 15, 16, 17, 63, 64, 65, 100, 4096, 20000, 20001}) {
        SCOPED_TRACE("buffer " + std::to_string(bufferSize));
        TReferenceReader expected(data, bufferSize);
        TFileBitStream reader(path, bufferSize);
        while (true) {
            const bool found = reader.FindPattern(1, 24);
            ASSERT_EQ(found, expected.FindPattern(1, 24));
            ASSERT_EQ(reader.Position(), expected.Position());
            ASSERT_EQ(reader.FRefillCount, expected.FRefillCount);
            ASSERT_EQ(reader.FEof, expected.FEof);
            if (!found) {
                break;
            }
            ASSERT_EQ(reader.PeekBits(8), expected.PeekBits(8));
        }
    }
}

class FileBitStreamFile : public ::testing::Test {
  protected:
    std::string Make(const std::vector<uint8_t>& bytes) {
        WriteFileBytes(FPath, bytes);
        return FPath;
    }
    TempDir FDir;
    std::string FPath = FDir.File("stream.m2v");
};

TEST_F(FileBitStreamFile, DeliversBitsMostSignificantFirstAndReadsUnalignedBytes) {
    TFileBitStream reader(Make({0xA5, 0x3C, 0xFF}), 2);
    EXPECT_EQ(reader.ReadBit(), 1u);
    EXPECT_EQ(reader.ReadBit(), 0u);
    EXPECT_EQ(reader.ReadBits(3), 0b100u);
    // Three bits left in 0xA5 (101) and the first five of 0x3C (00111).
    EXPECT_EQ(reader.PeekBits(8), 0b10100111u);
    EXPECT_EQ(reader.ReadBits(8), 0b10100111u);
    EXPECT_EQ(reader.ReadBits(0), 0u);
    EXPECT_EQ(reader.Position(), 1);
    EXPECT_EQ(reader.ReadBits(11), 0b10011111111u);
    EXPECT_TRUE(reader.FEof);
    EXPECT_EQ(reader.Position(), 3);
}

TEST_F(FileBitStreamFile, ReadsZeroOnEveryPathAfterTheEnd) {
    TFileBitStream reader(Make({0x12, 0x34}), 16);
    EXPECT_EQ(reader.ReadBits(16), 0x1234u);
    ASSERT_TRUE(reader.FEof);
    EXPECT_EQ(reader.ReadBit(), 0u);
    EXPECT_EQ(reader.ReadBits(8), 0u);
    EXPECT_EQ(reader.ReadBits(5), 0u);
    EXPECT_EQ(reader.PeekBits(8), 0u);
    EXPECT_FALSE(reader.FindPattern(1, 24));
    EXPECT_EQ(reader.Position(), 2);
}

TEST_F(FileBitStreamFile, BytesPastTheEndCountAsZeroInAWiderRead) {
    TFileBitStream reader(Make({0xAB, 0xCD}), 4);
    reader.ReadBits(8);
    EXPECT_EQ(reader.PeekBits(16), 0xCD00u);
    EXPECT_EQ(reader.ReadBits(16), 0xCD00u);
}

TEST_F(FileBitStreamFile, FileOfExactlyOneBufferEndsWithASecondFailedFill) {
    std::vector<uint8_t> bytes(64);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i + 7);
    }
    TFileBitStream reader(Make(bytes), 64);
    EXPECT_EQ(reader.FRefillCount, 1);
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        ASSERT_EQ(reader.ReadBits(8), bytes[i]);
    }
    EXPECT_FALSE(reader.FEof);
    EXPECT_EQ(reader.ReadBits(8), bytes.back());
    EXPECT_TRUE(reader.FEof);
    EXPECT_EQ(reader.FRefillCount, 2);
    EXPECT_EQ(reader.Position(), 64);
}

TEST_F(FileBitStreamFile, ThreeBytePrefixFileIsFoundWithTheEndReached) {
    TFileBitStream reader(Make({0x00, 0x00, 0x01}), 524280);
    EXPECT_TRUE(reader.FindPattern(1, 24));
    EXPECT_TRUE(reader.FEof);
    EXPECT_EQ(reader.PeekBits(8), 0u);
    EXPECT_EQ(reader.Position(), 3);
}

// Found by fuzzing: a prefix ending the file is followed by the value 0 as far as a peek goes, so a
// search passing over a range that holds 0 must go on and fail at the end, as the repeated pattern
// search does; a range without 0 stops there. Buffer sizes put the prefix at a buffer's end or not.
TEST_F(FileBitStreamFile, SearchOutsideARangeHoldingZeroFailsAtAPrefixEndingTheFile) {
    const std::vector<uint8_t> bytes = {0xAA, 0x00, 0x00, 0x01};
    for (int32_t bufferSize : {1, 2, 3, 4, 64}) {
        SCOPED_TRACE(bufferSize);
        for (const auto& [first, last, found] : {std::tuple{0, 0xAF, false}, std::tuple{1, 0xAF, true}}) {
            TFileBitStream reader(Make(bytes), bufferSize);
            TReferenceReader expected(bytes, bufferSize);
            bool modelFound = expected.FindPattern(1, 24);
            while (modelFound && expected.PeekBits(8) >= static_cast<uint32_t>(first) &&
                   expected.PeekBits(8) <= static_cast<uint32_t>(last)) {
                modelFound = expected.FindPattern(1, 24);
            }
            EXPECT_EQ(modelFound, found);
            EXPECT_EQ(reader.FindStartCodeOutside(static_cast<uint8_t>(first), static_cast<uint8_t>(last)),
                      found);
            EXPECT_TRUE(reader.FEof);
            EXPECT_EQ(reader.Position(), 4);
        }
    }
}

TEST_F(FileBitStreamFile, PositionAfterAPrefixIsTheStartCodeValueOffset) {
    TFileBitStream reader(Make({0x00, 0x00, 0x01, 0xB3, 0x16, 0x00, 0x00, 0x00, 0x01, 0xB8, 0x00}), 524280);
    ASSERT_TRUE(reader.FindPattern(1, 24));
    EXPECT_EQ(reader.Position(), 3);
    EXPECT_EQ(reader.PeekBits(8), 0xB3u);
    EXPECT_EQ(reader.Position(), 3);
    ASSERT_TRUE(reader.FindPattern(1, 24));
    EXPECT_EQ(reader.Position(), 9);
    EXPECT_EQ(reader.PeekBits(8), 0xB8u);
    EXPECT_FALSE(reader.FindPattern(1, 24));
    EXPECT_TRUE(reader.FEof);
    EXPECT_EQ(reader.Position(), 11);
}

TEST_F(FileBitStreamFile, SearchWithoutPrefixRunsToTheEndOfAThousandBytes) {
    std::vector<uint8_t> bytes(1000, 0x00);
    bytes[500] = 0x02;
    TFileBitStream reader(Make(bytes), 64);
    reader.ReadBits(3);
    EXPECT_FALSE(reader.FindPattern(1, 24));
    EXPECT_TRUE(reader.FEof);
    EXPECT_EQ(reader.Position(), 1000);
}

TEST_F(FileBitStreamFile, PrefixEndingOnTheLastByteOfAFullBufferIsFound) {
    // Buffer of 8: the prefix occupies bytes 5..7 and the file ends there.
    TFileBitStream reader(Make({0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x00, 0x01}), 8);
    EXPECT_TRUE(reader.FindPattern(1, 24));
    EXPECT_TRUE(reader.FEof);
    EXPECT_EQ(reader.FRefillCount, 2);
    EXPECT_EQ(reader.Position(), 8);
}

// A look-ahead that runs past a full buffer: its value is what the next read returns, whether 0, 1,
// 2, 3, 4 or more bytes follow in the file, and the following reads deliver every byte once.
TEST_F(FileBitStreamFile, PeekPastAFullBufferMatchesTheNextRead) {
    for (int following = 0; following <= 5; ++following) {
        SCOPED_TRACE(std::to_string(following) + " bytes after the buffer");
        std::vector<uint8_t> bytes = {0x00, 0x00, 0x01, 0xB5, 0x00, 0x00, 0x01, 0x8C};
        for (int i = 0; i < following; ++i) {
            bytes.push_back(static_cast<uint8_t>(0xA1 + i));
        }
        TFileBitStream reader(Make(bytes), 8);
        ASSERT_TRUE(reader.FindPattern(1, 24));
        reader.ReadBits(8);
        ASSERT_TRUE(reader.FindPattern(1, 24));
        reader.ReadBits(4);  // four bits of 0x8C are left in the buffer
        // 0xC, then the first following byte's high nibble, or zeros past the end.
        const uint32_t expected8 = following > 0 ? 0xCAu : 0xC0u;
        uint64_t next36 = 0xC;
        for (int i = 0; i < 4; ++i) {
            next36 = (next36 << 8) | (i < following ? bytes[8 + i] : 0);
        }
        const uint32_t expected32 = static_cast<uint32_t>(next36 >> 4);
        EXPECT_EQ(reader.PeekBits(8), expected8);
        EXPECT_EQ(reader.PeekBits(32), expected32);
        EXPECT_EQ(reader.FRefillCount, 1);
        EXPECT_EQ(reader.ReadBits(8), expected8);
        EXPECT_EQ(reader.FRefillCount, 2);
        reader.ReadBits(4);
        for (int i = 1; i < following; ++i) {
            ASSERT_EQ(reader.ReadBits(8), bytes[8 + i]);
        }
        EXPECT_TRUE(reader.FEof);
        EXPECT_EQ(reader.Position(), static_cast<int64_t>(bytes.size()));
    }
}

TEST_F(FileBitStreamFile, PeekChangesNeitherStateNorFileOffset) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 40; ++i) {
        bytes.push_back(static_cast<uint8_t>(i * 37 + 5));
    }
    const std::string path = Make(bytes);
    TReferenceReader expected(bytes, 6);
    TFileBitStream reader(path, 6);
    for (int step = 0; step < 60; ++step) {
        for (int32_t count : {1, 7, 8, 13, 24, 32}) {
            ASSERT_EQ(reader.PeekBits(count), expected.PeekBits(count));
        }
        ASSERT_EQ(reader.Position(), expected.Position());
        ASSERT_EQ(reader.FRefillCount, expected.FRefillCount);
        ASSERT_EQ(reader.ReadBits(5), expected.ReadBits(5));
    }
}

TEST_F(FileBitStreamFile, EmptyFileShowsTheReadMessageAndThrows) {
    TMessageCapture capture;
    const std::string path = Make({});
    const int descriptors = CountOpenDescriptors();
    try {
        TFileBitStream reader(path, 524280);
        FAIL() << "no exception";
    } catch (const EParserFileException& e) {
        EXPECT_STREQ(e.what(), "File error!");
    }
    EXPECT_EQ(capture.Messages, std::vector<std::string>{"Unable to read from file " + path + "."});
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
    EXPECT_FALSE(IsFileLocked(path.c_str()));
}

TEST_F(FileBitStreamFile, UnopenablePathsShowTheOpenMessageWithItsReasonAndThrow) {
    const std::string missing = FDir.File("missing.m2v");
    const std::string folder = FDir.path().string();
    const std::string pipe = FDir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::pair<std::string, std::string> cases[] = {
        {missing, "No such file or directory"},
        {folder, "Is a directory"},
        {pipe, "Not a regular file"},
        {"/dev/zero", "Not a regular file"},
    };
    for (const auto& [path, reason] : cases) {
        TMessageCapture capture;
        const int descriptors = CountOpenDescriptors();
        EXPECT_THROW(TFileBitStream(path, 524280), EParserFileException);
        EXPECT_EQ(capture.Messages,
                  std::vector<std::string>{"Unable to open file " + path + " for reading. " + reason + "."});
        EXPECT_EQ(CountOpenDescriptors(), descriptors);
    }
}

TEST_F(FileBitStreamFile, ReadersShareTheFileAndAWriterKeepsThemOut) {
    const std::string path = Make({0x00, 0x00, 0x01, 0xB3});
    {
        TFileBitStream first(path, 16);
        EXPECT_TRUE(IsFileLocked(path.c_str()));
        TFileBitStream second(path, 16);
        EXPECT_TRUE(second.FindPattern(1, 24));
        first.CloseFile();
        EXPECT_TRUE(IsFileLocked(path.c_str()));
    }
    EXPECT_FALSE(IsFileLocked(path.c_str()));

    // A tool changing the file holds the exclusive lock; the reader names the holder where the system
    // lists it.
    const int writer = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_TRUE(TryLockExclusive(writer));
    {
        TMessageCapture capture;
        EXPECT_THROW(TFileBitStream(path, 16), EParserFileException);
        ASSERT_EQ(capture.Messages.size(), 1u);
        const std::string prefix =
            "Unable to open file " + path + " for reading. " + path + " is being changed by another program";
        EXPECT_EQ(capture.Messages[0].substr(0, prefix.size()), prefix);
        const std::string pid = " (pid " + std::to_string(::getpid()) + ").";
        EXPECT_TRUE(capture.Messages[0] == prefix + "." || capture.Messages[0] == prefix + pid)
            << capture.Messages[0];
        if (::access("/proc/locks", R_OK) == 0) {
            EXPECT_EQ(capture.Messages[0], prefix + pid);
        }
    }
    ::close(writer);
    TFileBitStream after(path, 16);
    EXPECT_EQ(after.FileSize(), 4);
}

TEST_F(FileBitStreamFile, LastWriteTimeIsAFileTimeWithFullPrecision) {
    const std::string path = Make({0x00});
    // 2020-01-01 00:00:00.1234567 UTC.
    const timespec times[2] = {{1577836800, 123456789}, {1577836800, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    {
        TFileBitStream reader(path, 16);
        EXPECT_EQ(reader.GetLastWriteTime(), 132223104001234567ull);
    }
    const timespec later[2] = {{1577836800, 123456889}, {1577836800, 123456889}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    TFileBitStream reader(path, 16);
    EXPECT_EQ(reader.GetLastWriteTime(), 132223104001234568ull);
}

}  // namespace
}  // namespace velmora
