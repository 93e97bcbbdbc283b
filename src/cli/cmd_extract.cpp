// velmora-cli extract: writes the video elementary stream held in a program stream (.mpg, .vob) or a
// transport stream (.ts, .m2ts) to a file of its own; an elementary stream is copied as it is.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "command_registry.h"
#include "container/container_file.h"
#include "container/video_extract.h"

namespace velmora::cli {
namespace {

struct TExtractOptions {
    std::string File;
    std::string Output;
    size_t Stream = 1;
    bool Force = false;
};

void ListStreams(const TContainerInfo& info) {
    for (size_t i = 0; i < info.Streams.size(); ++i) {
        std::cerr << "  " << i + 1 << ": " << DescribeVideoStream(info.Format.Kind, info.Streams[i]) << '\n';
    }
}

int RunExtract(const TExtractOptions& options) {
    std::error_code ec;
    if (!options.Force && std::filesystem::exists(std::filesystem::symlink_status(options.Output, ec))) {
        std::cerr << "File " << options.Output << " exists! Use --force to overwrite it.\n";
        return kExitFailure;
    }
    try {
        const TReadOnlyFile file(options.File);
        const TContainerInfo info = ProbeContainer(file.Fd(), options.File);
        if (info.Format.Kind == TContainerKind::Unknown) {
            std::cerr << options.File
                      << " is neither a video elementary stream nor a program or transport stream.\n";
            return kExitFailure;
        }
        if (info.Streams.empty()) {
            std::cerr << "No MPEG-1 or MPEG-2 video stream found in " << options.File << ".\n";
            return kExitFailure;
        }
        if (options.Stream > info.Streams.size()) {
            std::cerr << options.File << " holds " << info.Streams.size() << " video stream(s), not "
                      << options.Stream << ":\n";
            ListStreams(info);
            return kExitFailure;
        }
        const size_t index = options.Stream - 1;
        const auto log = [](const std::string& text) { std::cerr << text << '\n'; };
        const TExtractResult result =
            ExtractVideoStream(file.Fd(), options.File, info, index, options.Output, log);
        if (!result.Ok) {
            std::cerr << "Video stream not extracted: " << result.Error << "!\n";
            return kExitFailure;
        }
        std::cout << "Container: " << ContainerName(info.Format.Kind) << ", video "
                  << DescribeVideoStream(info.Format.Kind, info.Streams[index]) << " (" << options.Stream
                  << " of " << info.Streams.size() << ").\n"
                  << "Video stream " << options.Output << " is saved: " << result.Bytes << " bytes.\n";
        return kExitOk;
    } catch (const EContainerReadError& e) {
        std::cerr << e.what() << '\n';
        return kExitFailure;
    }
}

void AddExtractCommand(CLI::App& app) {
    auto options = std::make_shared<TExtractOptions>();
    CLI::App* cmd = app.add_subcommand(
        "extract", "Write the video elementary stream of a program or transport stream to a file");
    cmd->add_option("FILE", options->File,
                    "Program stream (.mpg, .vob), transport stream (.ts, .m2ts) or video elementary stream")
        ->required();
    cmd->add_option("-o,--output", options->Output, "The video elementary stream written")->required();
    cmd->add_option("--stream", options->Stream, "Which video stream, 1 for the first (default)")
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--force", options->Force, "Replace an existing output file");
    cmd->callback([options] { SetExitCode(RunExtract(*options)); });
}

const RegisterCommand kRegisterExtract(AddExtractCommand);

}  // namespace
}  // namespace velmora::cli
