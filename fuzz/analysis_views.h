// Everything the front ends read from an analyser after a run: the summary texts, the header tree
// page by page over the whole list, and both text reports.
#pragma once

#include <cstdint>
#include <sstream>

#include "analysis/m2v_stream.h"
#include "fuzz_file.h"
#include "present/reports.h"
#include "present/summary.h"

namespace velmora::fuzz {

inline void ReadAllViews(TM2VStream& stream, int64_t pageSize) {
    (void)SummaryTexts(stream);
    TCheckingTreeSink tree;
    stream.FTreeView = nullptr;
    stream.SetTreeView(&tree);
    for (int64_t first = 1; first <= stream.HeaderCount(); first += pageSize) {
        stream.BuildTreePage(first, pageSize);
    }
    stream.FTreeView = nullptr;
    std::ostringstream report;
    WriteDisplayOrderReport(stream.FHeaders, stream.FFileName, report);
    WriteFrameStructureReport(stream.FHeaders, stream.FFileName, report);
}

}  // namespace velmora::fuzz
