// A file opened for its video: what container it is, which video streams it holds, and a byte source
// of the elementary stream of the one chosen.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "container/byte_source.h"
#include "container/container_format.h"

namespace velmora {

struct TVideoStream {
    int32_t Id = 0;              // stream_id (0xE0..0xEF) in a program stream, PID in a transport stream
    uint8_t StreamType = 0;      // transport stream: 0x01 MPEG-1 or 0x02 MPEG-2 video
    uint16_t ProgramNumber = 0;  // transport stream
};

struct TContainerInfo {
    TContainerFormat Format;
    // In the order found: packets met in a program stream, program tables in a transport stream. An
    // elementary stream is its one video stream.
    std::vector<TVideoStream> Streams;
};

// How far into a program or transport stream the video streams are looked for: a program stream is
// walked that far (about five seconds of DVD video); a transport stream only until its program tables.
inline constexpr int64_t kVideoProbeBytes = 4 * 1024 * 1024;

// Finds the container and its video streams in the open file Fd (borrowed).
TContainerInfo ProbeContainer(int Fd, const std::string& FileName);

// A source of the elementary stream of Info.Streams[Index] (which must exist) read from Fd, from its
// first byte; messages on gaps and damage go to Log. Any number of sources may read one descriptor.
std::unique_ptr<IByteSource> OpenVideoSource(int Fd, const std::string& FileName, const TContainerInfo& Info,
                                             size_t Index, TContainerLog Log);

// "stream id 0xE0", "PID 256 (0x0100), program 1" or "elementary stream".
std::string DescribeVideoStream(TContainerKind Kind, const TVideoStream& Stream);

// Names the container and the stream chosen, so that results kept for one choice (an analysis cache)
// are not taken for another: "elementary", "program_stream:0xE0", "transport_stream:0x0100".
std::string ContainerChoiceKey(const TContainerInfo& Info, size_t Index);

// Owns a descriptor opened for reading a regular file, closed with the owner.
class TReadOnlyFile {
  public:
    // Throws EContainerReadError ("Unable to open file NAME for reading.") when FileName cannot be
    // opened or is not a regular file.
    explicit TReadOnlyFile(const std::string& FileName);
    ~TReadOnlyFile();
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};

}  // namespace velmora
