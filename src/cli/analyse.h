// Creating the analyser for a processing mode and running its parse, shared by the commands that
// analyse a stream before they print something of it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/m2v_stream.h"

namespace velmora::cli {

struct TAnalysis {
    std::unique_ptr<TM2VStream> Stream;  // parsed, its stream file closed, no sink attached
    std::vector<std::string> Messages;   // the analyser's messages, also printed on standard error
};

// The --mode values, in the order of the window's mode list.
std::vector<std::string> ProcessingModeCliNames();

// True when the mode named cliMode keeps a header list; otherwise says so on standard error.
bool RequireHeaderList(std::string_view cliMode);

// Analyses fileName in the processing mode named cliMode, drawing progress on standard error when
// it is a terminal. With keepCutList false the cut list keeps only its first blocks (their count
// is in FUnformattedCount). On failure prints the reason on standard error and returns nothing.
std::optional<TAnalysis> AnalyseStream(const std::string& fileName, std::string_view cliMode,
                                       bool keepCutList = true);

}  // namespace velmora::cli
