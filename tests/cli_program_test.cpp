// velmora-cli as a program: its version, unknown commands, and progress bars on a terminal and off it.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// Runs the program with Args on a new pseudo-terminal, as from an interactive shell; Out is all the
// terminal received (standard output and standard error together).
TCliResult RunOnTerminal(const std::string& workDir, const std::string& args) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const std::string command =
            "cd " + ShellQuote(workDir) + " && exec " + ShellQuote(VELMORA_CLI_PATH) + " " + args;
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    TCliResult result;
    if (pid < 0) {
        return result;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0) {
            result.Out.append(buffer, static_cast<size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EIO once the program and its shell have closed the terminal
        }
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The lines a terminal shows after Bytes: carriage return, erase to end of line and new line applied.
std::vector<std::string> Screen(const std::string& bytes) {
    std::vector<std::string> lines(1);
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::string& line = lines.back();
        if (bytes[i] == '\r') {
            column = 0;
        } else if (bytes[i] == '\n') {
            lines.emplace_back();
            column = 0;
        } else if (bytes.compare(i, 3, "\033[K") == 0) {
            line.resize(std::min(column, line.size()));
            i += 2;
        } else {
            line.resize(std::max(line.size(), column + 1), ' ');
            line[column++] = bytes[i];
        }
    }
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

// The percentages drawn by the bars labelled Label, in order.
std::vector<int> DrawnPercents(const std::string& bytes, const std::string& label) {
    std::vector<int> percents;
    const std::string start = "\r" + label + " [";
    for (size_t at = bytes.find(start); at != std::string::npos; at = bytes.find(start, at + 1)) {
        const size_t close = bytes.find("] ", at);
        percents.push_back(close == std::string::npos ? -1 : std::stoi(bytes.substr(close + 2, 3)));
    }
    return percents;
}

// Percentages of one bar: at least one drawn, never going back, the last one 100.
void ExpectForwardToTheEnd(const std::vector<int>& percents, const std::string& what) {
    ASSERT_FALSE(percents.empty()) << what;
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()))
        << what << ": " << testing::PrintToString(percents);
    EXPECT_EQ(percents.back(), 100) << what << ": " << testing::PrintToString(percents);
}

class CliProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/sample.m2v", dir_.File("sample.m2v"));
    }
    TCliResult Run(const std::string& args) { return RunCli(VELMORA_CLI_PATH, dir_.path().string(), args); }

    TempDir dir_;
};

TEST_F(CliProgram, VersionNamesTheReleaseAndTheCommit) {
    const TCliResult run = Run("--version");
    EXPECT_EQ(run.ExitCode, 0);
    const std::string start = "velmora-cli " + std::string(VELMORA_VERSION) + " (commit ";
    ASSERT_TRUE(run.Out.starts_with(start) && run.Out.ends_with(")\n")) << run.Out;
    const std::string commit = run.Out.substr(start.size(), run.Out.size() - start.size() - 2);
    EXPECT_FALSE(commit.empty());
    EXPECT_EQ(commit.find_first_of(" ()\n"), std::string::npos) << commit;
}

TEST_F(CliProgram, UsageErrorsExitWithTwoAndSayWhy) {
    const struct {
        const char* Args;
        const char* Message;
    } cases[] = {
        {"frobnicate", "Unknown command 'frobnicate'; see velmora-cli --help\n"},
        {"--progress frobnicate sample.m2v", "Unknown command 'frobnicate'; see velmora-cli --help\n"},
        {"", "A subcommand is required"},
        {"--progress --no-progress info sample.m2v", "excludes"},
        {"info --bogus sample.m2v", "--bogus"},
    };
    for (const auto& c : cases) {
        const TCliResult run = Run(c.Args);
        EXPECT_EQ(run.ExitCode, 2) << c.Args;
        EXPECT_NE(run.Err.find(c.Message), std::string::npos) << c.Args << ": " << run.Err;
        EXPECT_EQ(run.Out, "") << c.Args;
    }
}

TEST_F(CliProgram, BarsOnATerminalMoveForwardAndLeaveOnlyTheMessages) {
    // Quick never fills the bar by itself; tree scans and builds the cache, then answers from it.
    for (const char* args :
         {"info sample.m2v", "info --mode tree sample.m2v", "info --mode tree sample.m2v"}) {
        const TCliResult terminal = RunOnTerminal(dir_.path().string(), args);
        EXPECT_EQ(terminal.ExitCode, 0) << args;
        ExpectForwardToTheEnd(DrawnPercents(terminal.Out, "Processing"), args);
        const TCliResult plain = Run(args);
        EXPECT_EQ(Screen(terminal.Out), Lines(plain.Out)) << args;
        EXPECT_EQ(plain.Err, "") << args;  // no bar when standard error is not a terminal
    }

    const TCliResult split = RunOnTerminal(dir_.path().string(), "split-gops sample.m2v");
    EXPECT_EQ(split.ExitCode, 0);
    ExpectForwardToTheEnd(DrawnPercents(split.Out, "Processing"), "split-gops analysis");
    ExpectForwardToTheEnd(DrawnPercents(split.Out, "Cutting"), "split-gops cut");
    const std::vector<std::string> screen = Screen(split.Out);
    ASSERT_FALSE(screen.empty());
    EXPECT_TRUE(screen.back().starts_with("GOP cutting is finished: ")) << split.Out;
    for (const std::string& line : screen) {
        EXPECT_EQ(line.find('%'), std::string::npos) << line;
    }
}

TEST_F(CliProgram, ProgressOptionsForceOrRemoveTheBar) {
    const TCliResult forced = Run("--progress info sample.m2v");
    EXPECT_EQ(forced.ExitCode, 0);
    ExpectForwardToTheEnd(DrawnPercents(forced.Err, "Processing"), "--progress into a file");
    EXPECT_TRUE(forced.Err.ends_with("\r\033[K")) << forced.Err;

    const TCliResult after = Run("info sample.m2v --progress");
    EXPECT_EQ(after.ExitCode, 0);
    ExpectForwardToTheEnd(DrawnPercents(after.Err, "Processing"), "--progress after the command");

    const TCliResult removed = RunOnTerminal(dir_.path().string(), "--no-progress info sample.m2v");
    EXPECT_EQ(removed.ExitCode, 0);
    EXPECT_EQ(removed.Out.find("Processing ["), std::string::npos) << removed.Out;
    EXPECT_EQ(removed.Out.find("\033[K"), std::string::npos) << removed.Out;
}

}  // namespace
}  // namespace velmora::test
