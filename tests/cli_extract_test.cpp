// velmora-cli extract on real program and transport streams muxed by ffmpeg from the sample
// elementary streams: the video comes out byte for byte, --stream picks, damage is told and passed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::ReadFileBytes;
using test::RunCli;
using test::ShellQuote;
using test::TempDir;

std::string Data(const std::string& name) {
    return std::string(VELMORA_TEST_DATA_DIR) + "/" + name;
}

test::TCliResult Extract(const TempDir& dir, const std::string& args) {
    return RunCli(VELMORA_CLI_PATH, dir.path().string(), "extract " + args);
}

TEST(CliExtract, GivesBackTheElementaryStreamOfEveryContainer) {
    struct TCase {
        const char* File;
        const char* Container;
    };
    for (const TCase& c :
         {TCase{"pal_gop_seq.vob", "program_stream"}, TCase{"pal_gop_seq.mpg", "program_stream"},
          TCase{"pal_gop_seq.ts", "transport_stream"}, TCase{"pal_gop_seq.m2ts", "transport_stream"},
          TCase{"pal_gop_seq.m2v", "elementary"}}) {
        TempDir dir;
        const test::TCliResult r = Extract(dir, ShellQuote(Data(c.File)) + " -o out.m2v");
        ASSERT_EQ(r.ExitCode, 0) << c.File << ": " << r.Err;
        EXPECT_EQ(r.Err, "") << c.File;
        EXPECT_NE(r.Out.find(std::string("Container: ") + c.Container), std::string::npos) << r.Out;
        EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")), ReadFileBytes(Data("pal_gop_seq.m2v"))) << c.File;
    }
}

TEST(CliExtract, StreamPicksOneOfTwoVideoStreams) {
    TempDir dir;
    const std::string input = ShellQuote(Data("two_videos.vob"));
    ASSERT_EQ(Extract(dir, input + " -o first.m2v").ExitCode, 0);
    ASSERT_EQ(Extract(dir, input + " -o second.m2v --stream 2").ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("first.m2v")), ReadFileBytes(Data("pal_gop_seq.m2v")));
    EXPECT_EQ(ReadFileBytes(dir.File("second.m2v")), ReadFileBytes(Data("foreign_packets_clean.m2v")));

    const test::TCliResult third = Extract(dir, input + " -o third.m2v --stream 3");
    EXPECT_EQ(third.ExitCode, 1);
    EXPECT_NE(third.Err.find("holds 2 video stream(s), not 3"), std::string::npos) << third.Err;
    EXPECT_NE(third.Err.find("2: stream id 0xE1"), std::string::npos) << third.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("third.m2v")));
}

TEST(CliExtract, TellsOfDroppedPacketsAndGoesOn) {
    // Three video packets (PID 0x100) from the middle of the stream are left out.
    const std::vector<uint8_t> ts = ReadFileBytes(Data("pal_gop_seq.ts"));
    std::vector<uint8_t> damaged;
    int64_t before = 0;  // video bytes ahead of the gap
    size_t dropped = 0;
    int videoPackets = 0;
    for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
        const uint8_t* p = ts.data() + at;
        if ((((p[1] & 0x1F) << 8) | p[2]) != 0x100) {
            damaged.insert(damaged.end(), p, p + 188);
            continue;
        }
        const size_t start = (p[3] & 0x20) ? 5 + p[4] : 4;
        // A packet that starts a PES packet carries its MPEG-2 header too.
        const size_t header = (p[1] & 0x40) ? 9 + p[start + 8] : 0;
        const size_t video = 188 - start - header;
        const int index = videoPackets++;
        if (index >= 100 && index < 103) {
            ASSERT_EQ(header, 0u) << "a dropped packet starts a PES packet";
            dropped += video;
            continue;
        }
        if (index < 100) {
            before += static_cast<int64_t>(video);
        }
        damaged.insert(damaged.end(), p, p + 188);
    }
    ASSERT_GT(videoPackets, 103);
    TempDir dir;
    test::WriteFileBytes(dir.File("damaged.ts"), damaged);
    const test::TCliResult r = Extract(dir, "damaged.ts -o out.m2v");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "3 TS packets missing before offset " + std::to_string(before) + "\n");
    EXPECT_EQ(ReadFileBytes(dir.File("out.m2v")).size(),
              ReadFileBytes(Data("pal_gop_seq.m2v")).size() - dropped);
}

TEST(CliExtract, RefusesWhatItCannotDo) {
    TempDir dir;
    test::WriteFileBytes(dir.File("text.txt"), std::vector<uint8_t>(1000, 'x'));
    test::WriteFileBytes(dir.File("exists.m2v"), {1, 2, 3});
    struct TCase {
        std::string Args;
        int Exit;
        std::string Error;
    };
    const std::vector<TCase> cases = {
        {"text.txt -o out.m2v", 1, "is neither a video elementary stream nor a program or transport stream"},
        {"missing.ts -o out.m2v", 1, "Unable to open file missing.ts for reading."},
        {ShellQuote(Data("pal_gop_seq.ts")) + " -o exists.m2v", 1, "exists! Use --force to overwrite it."},
        {ShellQuote(Data("pal_gop_seq.ts")) + " -o " + ShellQuote(Data("pal_gop_seq.ts")) + " --force", 1,
         "the output file is the input file"},
        {ShellQuote(Data("pal_gop_seq.ts")), 2, "--output is required"},
        {ShellQuote(Data("pal_gop_seq.ts")) + " -o out.m2v --stream 0", 2, "--stream"},
    };
    for (const TCase& c : cases) {
        const test::TCliResult r = Extract(dir, c.Args);
        EXPECT_EQ(r.ExitCode, c.Exit) << c.Args << ": " << r.Err;
        EXPECT_NE(r.Err.find(c.Error), std::string::npos) << c.Args << ": " << r.Err;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("exists.m2v")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.m2v")));
    // With --force the existing file is replaced.
    ASSERT_EQ(Extract(dir, ShellQuote(Data("pal_gop_seq.ts")) + " -o exists.m2v --force").ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("exists.m2v")), ReadFileBytes(Data("pal_gop_seq.m2v")));
}

}  // namespace
}  // namespace velmora
