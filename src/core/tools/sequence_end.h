// The sequence end code tools: append 00 00 01 B7 to the analysed file, or take it off its end.
#pragma once

#include <string>

#include "common/log_sink.h"
#include "tools/tool_status.h"

namespace velmora {

// Appends the sequence end code unless the file already ends with it or inside a start code prefix
// (00, 00 00, 00 00 01). Refuses anything but a regular file, a file without write permission (even
// for root), and a file locked by another open file (a stream being analysed); a failed write leaves
// the file as it was.
TToolStatus SetSequenceEnd(const std::string& FileName);
// Removes a sequence end code that ends the file; same refusals as SetSequenceEnd.
TToolStatus DeleteSequenceEnd(const std::string& FileName);

// The tools with their log lines: blue on success, red (with the reason) on failure; true on success.
bool SetSequenceEndWithLog(const std::string& FileName, ILogSink* Log);
bool DeleteSequenceEndWithLog(const std::string& FileName, ILogSink* Log);

}  // namespace velmora
