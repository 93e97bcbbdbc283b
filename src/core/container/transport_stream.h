// The video payload of one PID of a transport stream, and the video PIDs its program tables list.
#pragma once

#include <string>
#include <vector>

#include "container/byte_source.h"
#include "container/pes_header.h"
#include "container/transport_packet.h"

namespace velmora {

// stream_type values of MPEG-1 and MPEG-2 video in a program map table.
inline constexpr uint8_t kMpeg1VideoStreamType = 0x01;
inline constexpr uint8_t kMpeg2VideoStreamType = 0x02;

struct TTransportVideo {
    uint16_t Pid = 0;
    uint8_t StreamType = 0;
    uint16_t ProgramNumber = 0;
};

// Reads the program association table and the program map tables it names, up to the file offset
// Limit, and lists their MPEG-1 and MPEG-2 video PIDs in program order.
std::vector<TTransportVideo> ListTransportVideo(int Fd, int64_t Offset, const std::string& FileName,
                                                int32_t PacketSize, int64_t Limit);

class TTransportStreamSource : public IByteSource {
  public:
    // Delivers the PES payload carried by the packets of Pid in the file Fd (borrowed), whose first
    // packet is at Offset.
    TTransportStreamSource(int Fd, int64_t Offset, std::string FileName, int32_t PacketSize, uint16_t Pid,
                           TContainerLog Log);

    int64_t Read(uint8_t* Data, int64_t Count) override;
    int64_t Skip(int64_t Count) override;
    int64_t Position() const override { return position_; }
    int64_t FileOffset() const override { return reader_.Offset(); }

  private:
    // Moves to the next packet of the PID with payload to deliver; false at the end of the file.
    bool NextPayload();
    void TakePacket(const TTransportPacket& Packet);
    // Called at the end of the file and before a packet that follows a run of scrambled ones.
    void EndScrambledRun();
    void EndOfFile();
    void Message(const std::string& Text) const;
    std::string AtOffset() const { return " before offset " + std::to_string(position_); }

    TTransportPacketReader reader_;
    uint16_t pid_;
    TContainerLog log_;
    int64_t position_ = 0;
    const uint8_t* pending_ = nullptr;  // payload bytes of the current packet not yet delivered
    int32_t pendingSize_ = 0;
    bool ended_ = false;

    bool haveContinuity_ = false;
    uint8_t continuity_ = 0;
    int64_t scrambledRun_ = 0;

    // The PES packet in progress.
    bool inPes_ = false;  // a unit start was met and its header was good
    bool headerKnown_ = false;
    uint8_t header_[kMaxPesHeaderLength] = {};
    int32_t headerBytes_ = 0;   // of header_ gathered so far
    int64_t pesBytes_ = 0;      // bytes of the packet seen so far, header included
    int32_t payloadStart_ = 0;  // offset of the payload in the packet
    int64_t pesLength_ = 0;     // 6 + PES_packet_length, or 0 when unbounded
    bool gapInPes_ = false;     // a gap already reported inside this packet
};

}  // namespace velmora
