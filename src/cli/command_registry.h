// Subcommands of velmora-cli register themselves here, one file per subcommand, so adding a
// command needs no edit elsewhere.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

namespace velmora::cli {

// Exit statuses shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Adds one subcommand to the application. The subcommand's callback stores its exit status with
// SetExitCode.
using CommandAdder = std::function<void(CLI::App& app)>;

std::vector<CommandAdder>& RegisteredCommands();

struct RegisterCommand {
    explicit RegisterCommand(CommandAdder adder) { RegisteredCommands().push_back(std::move(adder)); }
};

void SetExitCode(int code);
int ExitCode();

}  // namespace velmora::cli
