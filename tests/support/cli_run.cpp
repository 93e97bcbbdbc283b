#include "support/cli_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <vector>

#include "support/temp_dir.h"

namespace velmora::test {

std::string ShellQuote(const std::string& Text) {
    std::string quoted = "'";
    for (const char c : Text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

TCliResult RunCli(const std::string& Cli, const std::string& WorkDir, const std::string& Args) {
    const TempDir capture;
    const std::string out = capture.File("stdout");
    const std::string err = capture.File("stderr");
    const std::string command = "cd " + ShellQuote(WorkDir) + " && " + ShellQuote(Cli) + " " + Args + " >" +
                                ShellQuote(out) + " 2>" + ShellQuote(err) + " </dev/null";
    const int status = std::system(command.c_str());
    TCliResult result;
    result.ExitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<uint8_t> outBytes = ReadFileBytes(out);
    const std::vector<uint8_t> errBytes = ReadFileBytes(err);
    result.Out.assign(outBytes.begin(), outBytes.end());
    result.Err.assign(errBytes.begin(), errBytes.end());
    return result;
}

}  // namespace velmora::test
