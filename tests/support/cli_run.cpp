#include "support/cli_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // wait4 gives the peak memory of this run alone: the shell's and that of the children it waited for.
    TCliResult result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
        result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.PeakKiB = usage.ru_maxrss;
    }
    const std::vector<uint8_t> outBytes = ReadFileBytes(out);
    const std::vector<uint8_t> errBytes = ReadFileBytes(err);
    result.Out.assign(outBytes.begin(), outBytes.end());
    result.Err.assign(errBytes.begin(), errBytes.end());
    return result;
}

}  // namespace velmora::test
