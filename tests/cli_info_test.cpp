// velmora-cli info: text and JSON output, modes, exit statuses and messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/stream_builder.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs velmora-cli with the arguments (shell-quoted by the caller); stderr goes to a file.
TRun RunCli(const std::string& args, const TempDir& dir) {
    const std::string errFile = dir.File("stderr.txt");
    const std::string command = std::string("'") + VELMORA_CLI_PATH + "' " + args + " 2>'" + errFile + "'";
    TRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.Out.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<uint8_t> err = ReadFileBytes(errFile);
    run.Err.assign(err.begin(), err.end());
    return run;
}

std::string Sample(const char* name) {
    return std::string("'") + VELMORA_TEST_DATA_DIR + "/" + name + "'";
}

TEST(CliInfo, PrintsTheSummaryLinesInWindowOrder) {
    TempDir dir;
    const TRun run = RunCli("info " + Sample("pal_gop_seq.m2v"), dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "Resolution: PAL\nDrop Type: Non-drop frame\nData Start Time: 00:00:00.00 (25 fps)\n"
              "Data End Time : 00:00:01.08 (25 fps)\nEncode Type: MPEG 2\nSize: 720 x 576\n"
              "Aspect Ratio: 4 : 3\nBit rate: 104857200\nBitrate Type: Variable\nLine21 Switch1: No\n"
              "Line21 Switch2: No\nIs PullDown: No\nFrame Rate: 25\nPicture Count: 34\n"
              "Pull Down Picture Count: 34\nDuration Time   : 00:00:01.09 (25 fps)\nSequence End Count: 0\n"
              "Max number of pictures in GOP: 12\nNumber of pictures: 34\nNumber of frames: 34\n"
              "Number of fields: 68\n");
    EXPECT_EQ(run.Err, "");
}

TEST(CliInfo, JsonCarriesEveryKeyAndTheMessages) {
    TempDir dir;
    const std::string copy = dir.File("foreign.m2v");
    std::filesystem::copy_file(std::string(VELMORA_TEST_DATA_DIR) + "/foreign_packets.m2v", copy);
    const TRun run = RunCli("info '" + copy + "' --mode tree --json", dir);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json j = nlohmann::json::parse(run.Out);
    for (const char* key : {"format_version",
                            "file",
                            "mode",
                            "aborted",
                            "width",
                            "height",
                            "aspect_ratio_code",
                            "aspect_ratio",
                            "pan_scan",
                            "frame_rate_code",
                            "frame_rate",
                            "bit_rate",
                            "variable_bit_rate",
                            "mpeg_version",
                            "line21_switch1",
                            "line21_switch2",
                            "picture_count",
                            "displayed_frames",
                            "frame_count",
                            "field_count",
                            "pulldown",
                            "max_gop_pictures",
                            "gop_count",
                            "sequence_header_count",
                            "sequence_end_count",
                            "drop_frame",
                            "start_time_code",
                            "foreign_data",
                            "header_count",
                            "messages",
                            "labels"}) {
        EXPECT_TRUE(j.contains(key)) << key;
    }
    EXPECT_EQ(j["format_version"], 1);
    EXPECT_EQ(j["mode"], "tree");
    EXPECT_EQ(j["width"], 720);
    EXPECT_EQ(j["frame_rate"], 25.0);
    EXPECT_EQ(j["start_time_code"], nlohmann::json::array({0, 0, 0, 0}));
    ASSERT_EQ(j["foreign_data"].size(), 26u);
    EXPECT_EQ(j["foreign_data"][0]["position"], 33);
    EXPECT_EQ(j["foreign_data"][0]["length"], 14);
    ASSERT_EQ(j["messages"].size(), 26u);
    EXPECT_EQ(j["messages"][0],
              "Find not formatted stream or data: BA - Reserved Sata Stream, FilePos: 33, Length: 14 bytes.");
    EXPECT_EQ(j["labels"].size(), 21u);
    EXPECT_GT(j["header_count"].get<int>(), 0);
    EXPECT_TRUE(std::filesystem::exists(copy + ".vnf"));
    // The messages go to standard error, one a line.
    EXPECT_EQ(run.Err.rfind("Find not formatted stream or data: BA", 0), 0u);
}

TEST(CliInfo, ModesAndExitStatuses) {
    TempDir dir;
    const TRun quick = RunCli("info " + Sample("mpeg1.m1v") + " --json", dir);
    ASSERT_EQ(quick.Status, 0);
    EXPECT_EQ(nlohmann::json::parse(quick.Out)["header_count"], 0);
    EXPECT_EQ(nlohmann::json::parse(quick.Out)["mode"], "quick");

    const TRun first = RunCli("info " + Sample("pal_gop_seq.m2v") + " --mode first-gop --json", dir);
    ASSERT_EQ(first.Status, 0);
    EXPECT_EQ(nlohmann::json::parse(first.Out)["gop_count"], 1);

    const TRun badMode = RunCli("info " + Sample("mpeg1.m1v") + " --mode fast", dir);
    EXPECT_EQ(badMode.Status, 2);
    const TRun noFile = RunCli("info", dir);
    EXPECT_EQ(noFile.Status, 2);

    const TRun missing = RunCli("info '" + dir.File("absent.m2v") + "'", dir);
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("Unable to open file " + dir.File("absent.m2v") +
                               " for reading. No such file or directory.\n"),
              std::string::npos)
        << missing.Err;
    EXPECT_NE(missing.Err.find("Can not open file absent.m2v !"), std::string::npos);
    EXPECT_EQ(missing.Out, "");

    WriteFileBytes(dir.File("empty.m2v"), {});
    const TRun empty = RunCli("info '" + dir.File("empty.m2v") + "'", dir);
    EXPECT_EQ(empty.Status, 1);
    EXPECT_NE(empty.Err.find("Can not open file empty.m2v !"), std::string::npos);
}

// Output that cannot be written (a full disk) is a failure, for every command that prints.
TEST(CliInfo, UnwritableStandardOutputFails) {
    TempDir dir;
    std::filesystem::copy_file(std::string(VELMORA_TEST_DATA_DIR) + "/pal_gop_seq.m2v", dir.File("s.m2v"));
    for (const std::string command :
         {"info", "info --json", "headers", "headers --json", "report display-order"}) {
        const TRun run = RunCli(command + " '" + dir.File("s.m2v") + "' >/dev/full", dir);
        EXPECT_EQ(run.Status, 1) << command;
        EXPECT_NE(run.Err.find("standard output"), std::string::npos) << command << ": " << run.Err;
    }
}

TEST(CliInfo, RewriteCacheDeletesTheCacheFirst) {
    TempDir dir;
    const std::string copy = dir.File("pal.m2v");
    std::filesystem::copy_file(std::string(VELMORA_TEST_DATA_DIR) + "/pal_gop_seq.m2v", copy);
    ASSERT_EQ(RunCli("info '" + copy + "' --mode tree", dir).Status, 0);
    const TRun reload = RunCli("info '" + copy + "' --mode tree --json", dir);
    EXPECT_EQ(nlohmann::json::parse(reload.Out)["gop_count"], 0) << "loaded from the cache";
    const TRun rewrite = RunCli("info '" + copy + "' --mode rewrite-cache --json", dir);
    EXPECT_EQ(nlohmann::json::parse(rewrite.Out)["gop_count"], 3) << "scanned again";
}

}  // namespace
}  // namespace velmora::test
