// velmora-cli: the scriptable front end. Each subcommand lives in its own cmd_*.cpp file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "command_registry.h"
#include "io/temporary_files.h"

namespace velmora::cli {

std::vector<CommandAdder>& RegisteredCommands() {
    static std::vector<CommandAdder> commands;
    return commands;
}

namespace {
int g_exit_code = kExitOk;
}

void SetExitCode(int code) {
    g_exit_code = code;
}
int ExitCode() {
    return g_exit_code;
}

namespace {
// A full disk or a closed pipe shows up when standard output is flushed; a command that printed must
// not then report success.
int CheckStandardOutput(int exitCode) {
    errno = 0;
    std::cout.flush();
    if (std::cout && std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return exitCode;
    }
    if (exitCode == kExitOk) {
        std::cerr << "Can not write to standard output"
                  << (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) << ".\n";
    }
    return kExitFailure;
}
}  // namespace

}  // namespace velmora::cli

int main(int argc, char** argv) {
    using namespace velmora::cli;
    velmora::InstallTemporaryFileCleanup();
    CLI::App app{"Velmora: analyser and light editor for MPEG-2 video elementary streams", "velmora-cli"};
    app.require_subcommand(1);
    for (const CommandAdder& add : RegisteredCommands()) {
        add(app);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return kExitFailure;
    }
    return CheckStandardOutput(ExitCode());
}
