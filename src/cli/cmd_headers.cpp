// velmora-cli headers: analyse one stream and print one page of its header tree, as indented text
// or as JSON nodes.
#include <iostream>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "analyse.h"
#include "command_registry.h"
#include "tree_render.h"

namespace velmora::cli {
namespace {

// Version of the JSON output; raise it when a key changes meaning.
constexpr int kHeadersFormatVersion = 1;
// The page sizes the window's page-size control allows.
constexpr int64_t kMaxPageSize = 2000;

struct THeadersOptions {
    std::string File;
    std::string Mode = "tree";
    int64_t First = 1;
    int64_t Count = 150;
    bool Json = false;
};

int RunHeaders(const THeadersOptions& options) {
    if (!RequireHeaderList(options.Mode)) {
        return kExitFailure;
    }
    std::optional<TAnalysis> analysis = AnalyseStream(options.File, options.Mode);
    if (!analysis) {
        return kExitFailure;
    }
    TM2VStream& stream = *analysis->Stream;
    // The first page of an empty list is empty; a page asked for past the end is a mistake.
    if (options.First > 1 && options.First > stream.HeaderCount()) {
        std::cerr << "There is no entry " << options.First << ": the stream has " << stream.HeaderCount()
                  << " header entries.\n";
        return kExitFailure;
    }
    TTreeCollector tree;
    stream.SetTreeView(&tree);
    stream.BuildTreePage(options.First, options.Count);
    if (options.Json) {
        const nlohmann::json page = {
            {"format_version", kHeadersFormatVersion},
            {"file", options.File},
            {"mode", options.Mode},
            {"first", options.First},
            {"count", options.Count},
            {"header_count", stream.HeaderCount()},
            {"nodes", tree.ToJson()},
        };
        std::cout << page.dump(2) << '\n';
    } else {
        tree.WriteText(std::cout);
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "Can not write to standard output.\n";
        return kExitFailure;
    }
    return kExitOk;
}

void AddHeadersCommand(CLI::App& app) {
    auto options = std::make_shared<THeadersOptions>();
    CLI::App* cmd = app.add_subcommand("headers", "Analyse a stream and print one page of its header tree");
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("--mode", options->Mode, "Processing mode; quick keeps no headers")
        ->check(CLI::IsMember(ProcessingModeCliNames()))
        ->capture_default_str();
    cmd->add_option("--first", options->First, "Number of the first entry of the page, from 1")
        ->check(CLI::Range(int64_t{1}, std::numeric_limits<int64_t>::max()))
        ->capture_default_str();
    cmd->add_option("--count", options->Count, "Entries per page, 1 to 2000")
        ->check(CLI::Range(int64_t{1}, kMaxPageSize))
        ->capture_default_str();
    cmd->add_flag("--json", options->Json, "Print the page as JSON nodes {caption, image, data, children}");
    cmd->callback([options] { SetExitCode(RunHeaders(*options)); });
}

const RegisterCommand kRegisterHeaders(AddHeadersCommand);

}  // namespace
}  // namespace velmora::cli
