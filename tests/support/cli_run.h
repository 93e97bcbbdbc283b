// Runs the built velmora-cli as a user would, for tests of its commands and of their exact output.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::test {

struct TCliResult {
    int ExitCode = -1;    // -1 when the program did not end normally
    std::string Out;      // standard output, byte for byte
    std::string Err;      // standard error
    int64_t PeakKiB = 0;  // largest resident memory of the run (the shell or the program), in KiB
};

// Runs the program Cli (tests pass VELMORA_CLI_PATH) with Args, a shell word list, in the folder
// WorkDir.
TCliResult RunCli(const std::string& Cli, const std::string& WorkDir, const std::string& Args);

// Quotes Text as one shell word.
std::string ShellQuote(const std::string& Text);

}  // namespace velmora::test
