// Runs the analyser over a built stream the way the window's Start does, for the analysis tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/m2v_stream.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"

namespace velmora::test {

struct TAnalysed {
    std::unique_ptr<TM2VStream> Stream;
    std::vector<std::string> Messages;
    std::vector<int32_t> Kinds() const;
};

// Writes the builder's bytes to Path (unless it is empty) and parses that file in the processing
// mode with this index (0 "Quick" .. 4 "Rewrite cache").
TAnalysed AnalyseFile(const std::string& Path, int32_t Mode);
TAnalysed Analyse(const TStreamBuilder& Builder, const std::string& Path, int32_t Mode);

}  // namespace velmora::test
