// Set and Delete SEQUENCE_END on the ways a file can end, their log lines, and the refusals.
#include "tools/sequence_end.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/file_size_limit.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"
#include "tools/file_handle.h"

namespace velmora {
namespace {

using test::ReadFileBytes;
using test::RecordingLog;
using test::TempDir;
using test::WriteFileBytes;
using Bytes = std::vector<uint8_t>;

const Bytes kHead = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40};

Bytes Plus(Bytes bytes, const Bytes& tail) {
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

struct EndingCase {
    const char* name;
    Bytes file;
    bool setOk;
    Bytes afterSet;
    bool deleteOk;
    Bytes afterDelete;
};

const Bytes kEnd = {0x00, 0x00, 0x01, 0xB7};

class SequenceEndings : public ::testing::TestWithParam<EndingCase> {};

TEST_P(SequenceEndings, SetAndDeleteLookOnlyAtTheLastFourBytes) {
    const EndingCase& c = GetParam();
    TempDir dir;
    const std::string name = dir.File("movie.m2v");
    RecordingLog log;

    WriteFileBytes(name, c.file);
    EXPECT_EQ(SetSequenceEndWithLog(name, &log), c.setOk);
    EXPECT_EQ(ReadFileBytes(name), c.afterSet);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines[0].text,
              c.setOk ? "SEQUENCE_END code was seted." : "SEQUENCE_END code was not seted!");
    EXPECT_EQ(log.lines[0].colour, c.setOk ? colour::Blue : colour::Red);
    EXPECT_EQ(log.lines[0].kind, c.setOk ? logkind::Information : logkind::Error);

    log.lines.clear();
    WriteFileBytes(name, c.file);
    EXPECT_EQ(DeleteSequenceEndWithLog(name, &log), c.deleteOk);
    EXPECT_EQ(ReadFileBytes(name), c.afterDelete);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines[0].text,
              c.deleteOk ? "SEQUENCE_END code was deleted." : "SEQUENCE_END code was not deleted!");
    EXPECT_EQ(log.lines[0].colour, c.deleteOk ? colour::Blue : colour::Red);
}

INSTANTIATE_TEST_SUITE_P(
    All, SequenceEndings,
    ::testing::Values(EndingCase{"EndsWithCode", Plus(kHead, kEnd), false, Plus(kHead, kEnd), true, kHead},
                      EndingCase{"EndsWithOtherCode", Plus(kHead, {0x00, 0x00, 0x01, 0xB3}), true,
                                 Plus(Plus(kHead, {0x00, 0x00, 0x01, 0xB3}), kEnd), false,
                                 Plus(kHead, {0x00, 0x00, 0x01, 0xB3})},
                      EndingCase{"EndsWithTwoCodes", Plus(Plus(kHead, kEnd), kEnd), false,
                                 Plus(Plus(kHead, kEnd), kEnd), true, Plus(kHead, kEnd)},
                      EndingCase{"ShorterThanFourBytes",
                                 {0x01, 0xB7},
                                 true,
                                 {0x01, 0xB7, 0x00, 0x00, 0x01, 0xB7},
                                 false,
                                 {0x01, 0xB7}},
                      EndingCase{"Empty", {}, true, kEnd, false, {}},
                      // Trailing zeros are stuffing: the appended code follows them.
                      EndingCase{"EndsWithZero", Plus(kHead, {0x00}), true, Plus(Plus(kHead, {0x00}), kEnd),
                                 false, Plus(kHead, {0x00})},
                      EndingCase{"EndsWithTwoZeros", Plus(kHead, {0x00, 0x00}), true,
                                 Plus(Plus(kHead, {0x00, 0x00}), kEnd), false, Plus(kHead, {0x00, 0x00})},
                      // An appended code would turn the prefix the file ends with into a start code.
                      EndingCase{"EndsWithPrefix", Plus(kHead, {0x00, 0x00, 0x01}), false,
                                 Plus(kHead, {0x00, 0x00, 0x01}), false, Plus(kHead, {0x00, 0x00, 0x01})},
                      EndingCase{"EndsWithZeroOne", Plus(kHead, {0x00, 0x01}), true,
                                 Plus(Plus(kHead, {0x00, 0x01}), kEnd), false, Plus(kHead, {0x00, 0x01})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SequenceEnd, SetTwiceAppendsOnceAndDeleteTwiceRemovesBothCodes) {
    TempDir dir;
    const std::string name = dir.File("movie.m2v");
    WriteFileBytes(name, kHead);
    EXPECT_TRUE(SetSequenceEnd(name));
    const TToolStatus again = SetSequenceEnd(name);
    EXPECT_FALSE(again);
    EXPECT_NE(again.Reason.find("already ends with"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(name), Plus(kHead, kEnd));

    WriteFileBytes(name, Plus(Plus(kHead, kEnd), kEnd));
    EXPECT_TRUE(DeleteSequenceEnd(name));
    EXPECT_TRUE(DeleteSequenceEnd(name));
    EXPECT_FALSE(DeleteSequenceEnd(name));
    EXPECT_EQ(ReadFileBytes(name), kHead);
}

TEST(SequenceEnd, FileBeingAnalysedIsNotChanged) {
    TempDir dir;
    const std::string name = dir.File("movie.m2v");
    const Bytes content = Plus(kHead, kEnd);
    WriteFileBytes(name, content);
    // The bit reader holds this lock while it analyses the file.
    TFileHandle reader(::open(name.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(reader.get(), LOCK_SH | LOCK_NB), 0);

    RecordingLog log;
    EXPECT_FALSE(DeleteSequenceEndWithLog(name, &log));
    EXPECT_FALSE(SetSequenceEnd(name));
    EXPECT_EQ(ReadFileBytes(name), content);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0].text, "SEQUENCE_END code was not deleted!");
    EXPECT_NE(log.lines[1].text.find("locked"), std::string::npos) << log.lines[1].text;
    EXPECT_EQ(log.lines[1].colour, colour::Red);
}

TEST(SequenceEnd, FailedWriteLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string name = dir.File("movie.m2v");
    const Bytes content(4094, 0x55);
    WriteFileBytes(name, content);
    test::FileSizeLimit limit(4096);
    const TToolStatus status = SetSequenceEnd(name);
    EXPECT_FALSE(status);
    EXPECT_NE(status.Reason.find("File too large"), std::string::npos) << status.Reason;
    EXPECT_EQ(ReadFileBytes(name), content);
}

TEST(SequenceEnd, EndingInsideAStartCodeGivesItsReason) {
    TempDir dir;
    const std::string name = dir.File("movie.m2v");
    WriteFileBytes(name, Plus(kHead, {0x00, 0x00, 0x01}));
    RecordingLog log;
    EXPECT_FALSE(SetSequenceEndWithLog(name, &log));
    EXPECT_EQ(log.Texts(),
              (std::vector<std::string>{"SEQUENCE_END code was not seted!",
                                        "Reason: " + name + " ends inside a start code; nothing changed."}));
}

// Only a regular file with write permission is changed, whoever runs the tool: a device reports size 0
// and would be written at its start; root could otherwise write a 0444 file.
TEST(SequenceEnd, OnlyWritableRegularFilesAreChanged) {
    TempDir dir;
    const std::string readOnly = dir.File("readonly.m2v");
    WriteFileBytes(readOnly, kHead);
    ::chmod(readOnly.c_str(), 0444);
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const struct {
        std::string name;
        const char* reason;
    } cases[] = {
        {"/dev/null", "not a regular file"}, {"/dev/zero", "not a regular file"},
        {fifo, "not a regular file"},        {dir.path().string(), "not a regular file"},
        {readOnly, " is read-only"},
    };
    for (const auto& c : cases) {
        for (const bool set : {true, false}) {
            const TToolStatus status = set ? SetSequenceEnd(c.name) : DeleteSequenceEnd(c.name);
            EXPECT_FALSE(status) << c.name;
            EXPECT_NE(status.Reason.find(c.reason), std::string::npos) << status.Reason;
        }
    }
    EXPECT_EQ(ReadFileBytes(readOnly), kHead);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(SequenceEnd, MissingFileFails) {
    TempDir dir;
    RecordingLog log;
    EXPECT_FALSE(SetSequenceEndWithLog(dir.File("gone.m2v"), &log));
    EXPECT_EQ(log.Texts().front(), "SEQUENCE_END code was not seted!");
}

}  // namespace
}  // namespace velmora
