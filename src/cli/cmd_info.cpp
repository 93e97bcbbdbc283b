// velmora-cli info: analyse one stream in a processing mode and print its summary (text or JSON).
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "analyse.h"
#include "analysis/m2v_stream.h"
#include "command_registry.h"
#include "present/summary_json.h"

namespace velmora::cli {
namespace {

struct TInfoOptions {
    std::string File;
    std::string Mode = "quick";
    bool Json = false;
    bool All = false;  // the whole foreign_data list, not its first kCutListHead entries
};

int RunInfo(const TInfoOptions& options) {
    // Without --all only the first blocks are listed: the scan keeps no more.
    const std::optional<TAnalysis> analysis = AnalyseStream(options.File, options.Mode, options.All);
    if (!analysis) {
        return kExitFailure;
    }
    const TM2VStream& stream = *analysis->Stream;
    const std::vector<std::string>& messages = analysis->Messages;
    if (options.Json) {
        std::cout << SummaryJson(stream, options.File, options.Mode, messages).dump(2) << '\n';
    } else {
        for (const std::string& line : SummaryLines(stream)) {
            std::cout << line << '\n';
        }
    }
    return kExitOk;
}

void AddInfoCommand(CLI::App& app) {
    auto options = std::make_shared<TInfoOptions>();
    CLI::App* cmd = app.add_subcommand("info", "Analyse a stream and print its summary");
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("--mode", options->Mode, "Processing mode (default quick)")
        ->check(CLI::IsMember(ProcessingModeCliNames()))
        ->capture_default_str();
    cmd->add_flag("--json", options->Json, "Print one JSON object instead of the summary lines");
    cmd->add_flag("--all", options->All,
                  "List every block of foreign data in the JSON (else the first " +
                      std::to_string(kCutListHead) + " and foreign_data_count)");
    cmd->callback([options] { SetExitCode(RunInfo(*options)); });
}

const RegisterCommand kRegisterInfo(AddInfoCommand);

}  // namespace
}  // namespace velmora::cli
