// Writing the video elementary stream that a byte source delivers to a file of its own.
#pragma once

#include <string>

#include "container/byte_source.h"
#include "container/container_file.h"

namespace velmora {

class TOutputFile;

// Copies the next Count bytes of Source (to its end when Count is negative) to Out; returns the bytes
// copied, or -1 when a write failed (Out.Error() says why). Throws EContainerReadError.
int64_t CopySource(IByteSource& Source, int64_t Count, TOutputFile& Out);

struct TExtractResult {
    bool Ok = false;
    int64_t Bytes = 0;  // written
    std::string Error;  // when not Ok, worded for a log line
};

// Writes the elementary stream of Info.Streams[Index] of the open file Fd to Target, which is replaced
// only once the whole stream is written; Log receives the demultiplexer's messages.
TExtractResult ExtractVideoStream(int Fd, const std::string& FileName, const TContainerInfo& Info,
                                  size_t Index, const std::string& Target, TContainerLog Log);

}  // namespace velmora
