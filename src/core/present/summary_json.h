// The summary of an analysis as one JSON object, as `velmora-cli info --json` prints it and the
// window exports it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace velmora {

class TM2VStream;

// Version of the JSON output; raise it when a key changes meaning.
inline constexpr int kSummaryJsonFormatVersion = 1;

// The label texts after the run: a label the run leaves alone keeps its caption.
std::vector<std::string> SummaryLines(const TM2VStream& Stream);

// File and Mode are given as the user named them (Mode by its command-line name); Messages are the
// analyser's messages of the run.
nlohmann::json SummaryJson(const TM2VStream& Stream, const std::string& File, const std::string& Mode,
                           const std::vector<std::string>& Messages);

}  // namespace velmora
