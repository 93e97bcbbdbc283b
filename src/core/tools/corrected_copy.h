// "Save corrected": a copy of the analysed file without the foreign data of its cut list.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "analysis/header_list.h"
#include "common/log_sink.h"
#include "tools/tool_status.h"

namespace velmora {

class TM2VStream;

// Writes Source without the ranges [Position, Position + Length) of Blocks (in file order, not
// overlapping) to FileName, replacing it only once complete. Fails, leaving FileName untouched, when the
// cut list is empty, FileName is the source itself, the source is shorter than AnalysedSize, a block
// lies outside the source or out of order, or a read or write fails.
TToolStatus SaveCorrected(const std::string& Source, std::span<const TDataBlock> Blocks,
                          const std::string& FileName, int64_t AnalysedSize = 0);
// The analyser's file and cut list, with the size it analysed.
TToolStatus SaveCorrected(const TM2VStream& Stream, const std::string& FileName);

// SaveCorrected, logging a blue success or a red failure line; true on success.
bool SaveCorrectedWithLog(const std::string& Source, std::span<const TDataBlock> Blocks,
                          const std::string& FileName, ILogSink* Log);
bool SaveCorrectedWithLog(const TM2VStream& Stream, const std::string& FileName, ILogSink* Log);

}  // namespace velmora
