// velmora-cli: the scriptable front end. Each subcommand lives in its own cmd_*.cpp file.
#include <iostream>

#include "command_registry.h"

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

}  // namespace velmora::cli

int main(int argc, char** argv) {
    using namespace velmora::cli;
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
    return ExitCode();
}
