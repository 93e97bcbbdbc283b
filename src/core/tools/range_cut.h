// The range cut: the bytes of the analysed file from one picture's cut position up to another's.
#pragma once

#include <cstdint>
#include <string>

#include "common/log_sink.h"
#include "tools/tool_status.h"

namespace velmora {

// Writes the bytes [Start, Finish) of Source to Target. Refuses a finish before the start and a target
// that is the source itself; Target is replaced only once the copy is complete.
TToolStatus CutRange(const std::string& Source, const std::string& Target, int64_t Start, int64_t Finish);

// CutRange, logging a blue success or a red failure line; true on success.
bool CutRangeWithLog(const std::string& Source, const std::string& Target, int64_t Start, int64_t Finish,
                     ILogSink* Log);

}  // namespace velmora
