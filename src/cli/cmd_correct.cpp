// velmora-cli correct: a copy of a stream without the foreign (system-layer) data found between its
// headers ("Save corrected").
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "analyse.h"
#include "command_registry.h"
#include "console_log.h"
#include "tools/corrected_copy.h"

namespace velmora::cli {
namespace {

struct TCorrectOptions {
    std::string File;
    std::string Output;
    bool Force = false;
};

int RunCorrect(const TCorrectOptions& options) {
    std::error_code ec;
    if (!options.Force && std::filesystem::exists(std::filesystem::symlink_status(options.Output, ec))) {
        std::cerr << "File " << options.Output << " exists! Use --force to overwrite it.\n";
        return kExitFailure;
    }
    // The cut list comes from a scan only: a run that loads the analysis cache has none.
    std::optional<TAnalysis> analysis = AnalyseStream(options.File, "quick");
    if (!analysis) {
        return kExitFailure;
    }
    TConsoleLog log;
    return SaveCorrectedWithLog(*analysis->Stream, options.Output, &log) ? kExitOk : kExitFailure;
}

void AddCorrectCommand(CLI::App& app) {
    auto options = std::make_shared<TCorrectOptions>();
    CLI::App* cmd = app.add_subcommand("correct", "Write a copy of the stream without its foreign data");
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("-o,--output", options->Output, "The corrected copy")->required();
    cmd->add_flag("--force", options->Force, "Replace an existing output file");
    cmd->callback([options] { SetExitCode(RunCorrect(*options)); });
}

const RegisterCommand kRegisterCorrect(AddCorrectCommand);

}  // namespace
}  // namespace velmora::cli
