#include "container/container_format.h"

namespace velmora {

namespace {

constexpr uint8_t kSyncByte = 0x47;
constexpr int kSyncPackets = 3;
// A video elementary stream may start with a little padding before its first start code.
constexpr size_t kElementaryLead = 2048;

bool SyncedAt(const uint8_t* Data, size_t Size, size_t First, int32_t PacketSize) {
    for (int n = 0; n < kSyncPackets; ++n) {
        const size_t at = First + static_cast<size_t>(n) * PacketSize;
        if (at >= Size || Data[at] != kSyncByte) {
            return false;
        }
    }
    return true;
}

bool DetectTransportStream(const uint8_t* Data, size_t Size, TContainerFormat& Format) {
    // The earliest start wins: a 188-byte stream is found at its first packet before its sync bytes
    // could be taken for those of 192-byte packets further on, and the other way round.
    for (size_t start = 0; start < 192; ++start) {
        if (start < 188 && SyncedAt(Data, Size, start, 188)) {
            Format = {TContainerKind::TransportStream, 188, static_cast<int64_t>(start), 0};
            return true;
        }
        if (SyncedAt(Data, Size, start + 4, 192)) {
            Format = {TContainerKind::TransportStream, 192, static_cast<int64_t>(start), 0};
            return true;
        }
    }
    return false;
}

}  // namespace

TContainerFormat DetectContainer(const uint8_t* Data, size_t Size) {
    TContainerFormat format;
    // A file that opens with a start code is no transport stream, whatever bytes follow.
    const bool startCodeFirst = Size >= 3 && Data[0] == 0 && Data[1] == 0 && Data[2] == 1;
    if (!startCodeFirst && DetectTransportStream(Data, Size, format)) {
        return format;
    }
    for (size_t i = 0; i + 3 < Size && i <= kElementaryLead; ++i) {
        if (Data[i] != 0 || Data[i + 1] != 0 || Data[i + 2] != 1) {
            continue;
        }
        const uint8_t code = Data[i + 3];
        if (code == 0xBA && i + 4 < Size) {
            // The pack header's first bits tell MPEG-2 ('01') from MPEG-1 ('0010').
            if ((Data[i + 4] & 0xC0) == 0x40) {
                format.MpegVersion = 2;
            } else if ((Data[i + 4] & 0xF0) == 0x20) {
                format.MpegVersion = 1;
            } else {
                return format;
            }
            format.Kind = TContainerKind::ProgramStream;
            format.FirstPacket = static_cast<int64_t>(i);
        } else if (code <= 0xB8) {
            format.Kind = TContainerKind::Elementary;
        }
        return format;
    }
    return format;
}

std::string_view ContainerName(TContainerKind Kind) {
    switch (Kind) {
        case TContainerKind::Elementary:
            return "elementary";
        case TContainerKind::ProgramStream:
            return "program_stream";
        case TContainerKind::TransportStream:
            return "transport_stream";
        case TContainerKind::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace velmora
