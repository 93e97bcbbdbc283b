// Transport stream packets read in place, 188 bytes or 192 with a 4-byte prefix (.m2ts), with the
// sync byte checked and found again after damage.
#pragma once

#include <cstdint>
#include <string>

#include "container/file_cursor.h"

namespace velmora {

struct TTransportPacket {
    const uint8_t* Data = nullptr;  // the sync byte; valid until the next packet is read
    uint16_t Pid = 0;
    bool TransportError = false;
    bool UnitStart = false;      // payload_unit_start_indicator
    uint8_t Scrambling = 0;      // transport_scrambling_control
    uint8_t Continuity = 0;      // continuity_counter
    bool Discontinuity = false;  // discontinuity_indicator of the adaptation field
    bool Damaged = false;        // an adaptation field longer than the packet: no payload taken
    int32_t PayloadBegin = 0;    // payload bytes: Data[PayloadBegin, PayloadEnd)
    int32_t PayloadEnd = 0;
    int64_t SkippedBefore = 0;  // bytes passed over to find this packet's sync byte
    bool HasPayload() const { return PayloadEnd > PayloadBegin; }
};

class TTransportPacketReader {
  public:
    static constexpr int32_t kPacketSize = 188;
    static constexpr uint8_t kSyncByte = 0x47;

    // PacketSize 188 or 192; Offset is that of the first packet (its prefix included).
    TTransportPacketReader(int Fd, int64_t Offset, std::string FileName, int32_t PacketSize);

    // The next packet; false at the end of the file. TrailingBytes then tells how many bytes of a
    // last packet cut short were left.
    bool Next(TTransportPacket& Packet);
    int32_t TrailingBytes() const { return trailing_; }
    // File offset of the next packet.
    int64_t Offset() const { return cursor_.Offset() + pending_; }

  private:
    bool Synchronised();
    int64_t Resynchronise();

    TFileCursor cursor_;
    int32_t packetSize_;
    int32_t prefix_;
    int32_t pending_ = 0;  // bytes of the packet handed out last, passed at the next call
    int32_t trailing_ = 0;
};

}  // namespace velmora
