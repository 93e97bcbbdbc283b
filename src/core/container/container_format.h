// What kind of file holds the video: detected from the first bytes, never from the name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora {

enum class TContainerKind { Unknown, Elementary, ProgramStream, TransportStream };

struct TContainerFormat {
    TContainerKind Kind = TContainerKind::Unknown;
    int32_t PacketSize = 0;   // transport stream: 188, or 192 with a 4-byte prefix per packet
    int64_t FirstPacket = 0;  // file offset of the first packet or pack header (prefix included)
    int32_t MpegVersion = 0;  // program stream: 1 or 2, from the first pack header
};

// How many leading bytes DetectContainer wants to see; fewer do at the end of a short file.
inline constexpr size_t kDetectBytes = 64 * 1024;

// Looks at the first bytes of a file: a transport stream when sync bytes 0x47 stand at three
// consecutive packet starts (188 or 192 bytes apart), a program stream when the first start code is
// a pack header, an elementary stream when the first start code is a video one.
TContainerFormat DetectContainer(const uint8_t* Data, size_t Size);

// "elementary", "program_stream", "transport_stream" or "unknown".
std::string_view ContainerName(TContainerKind Kind);

}  // namespace velmora
