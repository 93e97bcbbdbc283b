// velmora-cli thumbnail: hands the parsed options to the decoding program beside velmora-cli.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>

#include "command_registry.h"
#include "thumbnail_options.h"

namespace velmora::cli {
namespace {

int RunThumbnailProgram(const TThumbnailOptions& Options) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string program = (self.parent_path() / kThumbnailProgram).string();
    std::vector<std::string> args = ThumbnailArguments(Options);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::cout.flush();
    std::cerr.flush();
    ::execv(program.c_str(), argv.data());
    std::cerr << "Can not start " << program << ": " << std::strerror(errno) << '\n';
    return kExitFailure;
}

void AddThumbnailCommand(CLI::App& app) {
    auto options = std::make_shared<TThumbnailOptions>();
    CLI::App* cmd = app.add_subcommand("thumbnail", "Decode one picture and write it as a PNG file");
    AddThumbnailOptions(*cmd, *options);
    cmd->callback([options] { SetExitCode(RunThumbnailProgram(*options)); });
}

const RegisterCommand kRegisterThumbnail(AddThumbnailCommand);

}  // namespace
}  // namespace velmora::cli
