// Runs the built velmora-cli as a user would, for tests of its commands and of their exact output.
#pragma once

#include <string>

namespace velmora::test {

struct TCliResult {
    int ExitCode = -1;  // -1 when the program did not end normally
    std::string Out;    // standard output, byte for byte
    std::string Err;    // standard error
};

// Runs the program Cli (tests pass VELMORA_CLI_PATH) with Args, a shell word list, in the folder
// WorkDir.
TCliResult RunCli(const std::string& Cli, const std::string& WorkDir, const std::string& Args);

// Quotes Text as one shell word.
std::string ShellQuote(const std::string& Text);

}  // namespace velmora::test
