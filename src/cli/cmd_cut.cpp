// velmora-cli cut: the bytes from one picture's cut position up to another's (or to the end of the
// file) into a new file, as Set Start, Set Finish and Cut to file do in the window.
#include <charconv>
#include <iostream>
#include <memory>
#include <string>

#include "analyse.h"
#include "command_registry.h"
#include "console_log.h"
#include "tools/cut_positions.h"
#include "tools/picture_entries.h"
#include "tools/range_cut.h"

namespace velmora::cli {
namespace {

struct TCutOptions {
    std::string File;
    int64_t From = 0;
    std::string To;
    std::string Output;
    std::string Mode = "tree";
};

// A picture number from 1 written in decimal digits; nothing for any other text.
std::optional<int64_t> PictureNumber(const std::string& text) {
    int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1) {
        return std::nullopt;
    }
    return number;
}

std::optional<int64_t> CutPosition(const TM2VStream& stream, TCutPositions& positions, int64_t picture) {
    const std::optional<int64_t> index = PictureEntryIndex(stream.FHeaders, picture);
    if (!index) {
        std::cerr << "Picture " << picture << " does not exist: " << stream.FFileName
                  << " has fewer pictures.\n";
        return std::nullopt;
    }
    const std::optional<int64_t> position = positions.At(*index);
    if (!position) {
        std::cerr << "The cut position of picture " << picture << " is not found: " << stream.FFileName
                  << " has changed since it was analysed.\n";
    }
    return position;
}

int RunCut(const TCutOptions& options) {
    if (options.To != "end" && *PictureNumber(options.To) == options.From) {
        std::cerr << "The range from picture " << options.From << " to picture " << options.To
                  << " is empty.\n";
        return kExitFailure;
    }
    if (!RequireHeaderList(options.Mode)) {
        return kExitFailure;
    }
    std::optional<TAnalysis> analysis = AnalyseStream(options.File, options.Mode);
    if (!analysis) {
        return kExitFailure;
    }
    const TM2VStream& stream = *analysis->Stream;
    TCutPositions positions(stream.FFileName, stream.FHeaders);
    const std::optional<int64_t> start = CutPosition(stream, positions, options.From);
    std::optional<int64_t> finish = options.To == "end"
                                        ? std::optional<int64_t>(stream.FFileSize)
                                        : CutPosition(stream, positions, *PictureNumber(options.To));
    if (!start || !finish) {
        return kExitFailure;
    }
    TConsoleLog log;
    return CutRangeWithLog(stream.FFileName, options.Output, *start, *finish, &log) ? kExitOk : kExitFailure;
}

void AddCutCommand(CLI::App& app) {
    auto options = std::make_shared<TCutOptions>();
    CLI::App* cmd =
        app.add_subcommand("cut", "Write the bytes from picture N up to picture M (or the end) to a file");
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("--from", options->From, "First picture, counted from 1 in stream order")
        ->required()
        ->check(CLI::PositiveNumber);
    cmd->add_option("--to", options->To, "Picture where the cut ends (not included), or end")
        ->required()
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                return value == "end" || PictureNumber(value) ? ""
                                                              : "must be a picture number from 1, or end";
            },
            "N|end"));
    cmd->add_option("-o,--output", options->Output, "The new file")->required();
    cmd->add_option("--mode", options->Mode, "Processing mode; quick keeps no headers")
        ->check(CLI::IsMember(ProcessingModeCliNames()))
        ->capture_default_str();
    cmd->callback([options] { SetExitCode(RunCut(*options)); });
}

const RegisterCommand kRegisterCut(AddCutCommand);

}  // namespace
}  // namespace velmora::cli
