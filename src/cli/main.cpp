// velmora-cli: the scriptable front end. Each subcommand lives in its own cmd_*.cpp file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "command_registry.h"
#include "io/temporary_files.h"
#include "terminal_progress.h"

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

namespace {

// "frobnicate" in `velmora-cli frobnicate`: the first word that is neither an option nor a command.
std::string UnknownCommand(const CLI::App& app) {
    if (!app.get_subcommands().empty()) {
        return {};
    }
    const std::vector<std::string> rest = app.remaining();
    return !rest.empty() && !rest.front().empty() && rest.front().front() != '-' ? rest.front()
                                                                                 : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora::cli;
    velmora::InstallTemporaryFileCleanup();
    CLI::App app{"Velmora: analyser and light editor for MPEG-2 video elementary streams", "velmora-cli"};
    app.require_subcommand(1);
    app.fallthrough();  // the global options are accepted after the command too
    app.set_version_flag(
        "--version", std::string("velmora-cli ") + VELMORA_VERSION + " (commit " + VELMORA_GIT_COMMIT + ")");
    CLI::Option* progress = app.add_flag_callback(
        "--progress", [] { TTerminalProgress::SetChoice(TProgressChoice::Always); },
        "Draw progress bars on standard error even when it is not a terminal");
    app.add_flag_callback(
           "--no-progress", [] { TTerminalProgress::SetChoice(TProgressChoice::Never); },
           "Never draw progress bars")
        ->excludes(progress);
    for (const CommandAdder& add : RegisteredCommands()) {
        add(app);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);  // --help or --version
    } catch (const CLI::ParseError& e) {
        const std::string unknown = UnknownCommand(app);
        if (!unknown.empty()) {
            std::cerr << "Unknown command '" << unknown << "'; see velmora-cli --help\n";
        } else {
            app.exit(e);
        }
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return kExitFailure;
    }
    return CheckStandardOutput(ExitCode());
}
