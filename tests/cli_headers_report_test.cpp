// velmora-cli headers and report: exit statuses, messages and report files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::RunCli;
using test::ShellQuote;
using test::TCliResult;

class CliHeadersReport : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::path(VELMORA_SOURCE_DIR) / "samples" / "sample.m2v",
                                   dir_.path() / "sample.m2v");
    }
    TCliResult Run(const std::string& args) const {
        return RunCli(VELMORA_CLI_PATH, dir_.path().string(), args);
    }
    std::string FileText(const std::string& name) const {
        const std::vector<uint8_t> bytes = test::ReadFileBytes(dir_.File(name));
        return std::string(bytes.begin(), bytes.end());
    }
    size_t FilesInFolder() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.path()), {}));
    }

    test::TempDir dir_;
};

TEST_F(CliHeadersReport, BadOptionsAreUsageErrors) {
    for (const std::string args :
         {"headers sample.m2v --first 0", "headers sample.m2v --first -3", "headers sample.m2v --count 0",
          "headers sample.m2v --count 2001", "headers sample.m2v --mode fast", "headers", "report sample.m2v",
          "report gop-list sample.m2v", "report display-order sample.m2v --mode fast"}) {
        const TCliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 2) << args << "\n" << result.Err;
        EXPECT_EQ(result.Out, "") << args;
    }
}

TEST_F(CliHeadersReport, LargestPageAndFirstEntryAreAccepted) {
    const TCliResult result = Run("headers sample.m2v --first 228 --count 2000");
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, "FILE END\n");
}

// Just past the last entry and far past it: nothing on standard output, the reason on standard error.
TEST_F(CliHeadersReport, PagePastTheEndFailsWithItsReason) {
    for (const std::string first : {"229", "100000"}) {
        const TCliResult result = Run("headers sample.m2v --first " + first);
        EXPECT_EQ(result.ExitCode, 1) << first;
        EXPECT_EQ(result.Out, "") << first;
        EXPECT_EQ(result.Err, "There is no entry " + first + ": the stream has 228 header entries.\n");
    }
}

TEST_F(CliHeadersReport, QuickModeHasNoHeaderList) {
    for (const std::string args :
         {"headers sample.m2v --mode quick", "report frame-structure sample.m2v --mode quick"}) {
        const TCliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 1) << args;
        EXPECT_NE(result.Err.find("keeps no header list"), std::string::npos) << result.Err;
        EXPECT_EQ(result.Out, "") << args;
    }
}

TEST_F(CliHeadersReport, MissingStreamFails) {
    for (const std::string args : {"headers nothing.m2v", "report display-order nothing.m2v -o out.txt"}) {
        const TCliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 1) << args;
        EXPECT_NE(result.Err.find("Can not open file nothing.m2v !"), std::string::npos) << result.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("out.txt")));
}

TEST_F(CliHeadersReport, ReportFileEqualsStandardOutputAndReplacesAnOldFile) {
    test::WriteFileBytes(dir_.File("old.txt"), std::vector<uint8_t>(50000, 'x'));
    for (const std::string kind : {"display-order", "frame-structure"}) {
        const TCliResult toStdout = Run("report " + kind + " sample.m2v");
        const TCliResult toDash = Run("report " + kind + " sample.m2v -o -");
        const TCliResult toFile = Run("report " + kind + " sample.m2v -o old.txt");
        ASSERT_EQ(toStdout.ExitCode, 0) << toStdout.Err;
        ASSERT_EQ(toFile.ExitCode, 0) << toFile.Err;
        EXPECT_EQ(toFile.Out, "");
        EXPECT_EQ(toDash.Out, toStdout.Out);
        EXPECT_EQ(FileText("old.txt"), toStdout.Out);
        EXPECT_EQ(toStdout.Out.find("Information for sample.m2v - "), 0u);
        EXPECT_EQ(toStdout.Out.substr(toStdout.Out.size() - 2), "\r\n");
    }
}

TEST_F(CliHeadersReport, UnwritableReportPathFailsWithoutLeavingAFile) {
    std::filesystem::create_directory(dir_.File("folder"));
    const size_t before = FilesInFolder();
    const std::vector<std::pair<std::string, std::string>> targets = {
        {dir_.File("missing/report.txt"), "No such file or directory"},
        {dir_.File("folder"), "Is a directory"},
    };
    for (const auto& [target, reason] : targets) {
        const TCliResult result = Run("report display-order sample.m2v -o " + ShellQuote(target));
        EXPECT_EQ(result.ExitCode, 1) << target;
        EXPECT_NE(result.Err.find(target), std::string::npos) << result.Err;
        EXPECT_NE(result.Err.find(reason), std::string::npos) << result.Err;
    }
    // Only the analysis cache of the run joined the folder.
    EXPECT_EQ(FilesInFolder(), before + 1);
    EXPECT_TRUE(std::filesystem::exists(dir_.File("sample.m2v.vnf")));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.File("folder")));
}

// A report never replaces the stream it describes, whatever name it is reached by.
TEST_F(CliHeadersReport, ReportOntoTheStreamIsRefused) {
    std::filesystem::create_hard_link(dir_.File("sample.m2v"), dir_.File("hard.m2v"));
    std::filesystem::create_symlink("sample.m2v", dir_.File("soft.m2v"));
    const std::vector<uint8_t> stream = test::ReadFileBytes(dir_.File("sample.m2v"));
    for (const std::string target : {"sample.m2v", "./sample.m2v", "hard.m2v", "soft.m2v"}) {
        const TCliResult result = Run("report display-order sample.m2v -o " + target);
        EXPECT_EQ(result.ExitCode, 1) << target;
        EXPECT_EQ(result.Err, "Can not write " + target + ": the target is the source file itself\n");
    }
    EXPECT_EQ(test::ReadFileBytes(dir_.File("sample.m2v")), stream);
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.File("soft.m2v")));
}

}  // namespace
}  // namespace velmora
