#include "container/transport_packet.h"

namespace velmora {

namespace {

// Sync bytes that must follow a found one, packet after packet, before it is believed.
constexpr int kSyncConfirmations = 2;

}  // namespace

TTransportPacketReader::TTransportPacketReader(int Fd, int64_t Offset, std::string FileName,
                                               int32_t PacketSize)
    : cursor_(Fd, Offset, std::move(FileName)), packetSize_(PacketSize), prefix_(PacketSize - kPacketSize) {}

bool TTransportPacketReader::Synchronised() {
    return cursor_.Data()[prefix_] == kSyncByte;
}

// Moves to the next place where a sync byte is followed by more at packet distance (or by the end of
// the file) and returns the bytes passed over.
int64_t TTransportPacketReader::Resynchronise() {
    int64_t skipped = 0;
    for (;;) {
        cursor_.Advance(1);
        ++skipped;
        if (!cursor_.Ensure(packetSize_)) {
            return skipped;
        }
        if (!Synchronised()) {
            continue;
        }
        cursor_.Ensure(packetSize_ * (kSyncConfirmations + 1));
        const uint8_t* d = cursor_.Data() + prefix_;
        bool confirmed = true;
        for (int n = 1; n <= kSyncConfirmations; ++n) {
            const int32_t at = n * packetSize_;
            if (at < cursor_.Available() - prefix_ && d[at] != kSyncByte) {
                confirmed = false;
            }
        }
        if (confirmed) {
            return skipped;
        }
    }
}

bool TTransportPacketReader::Next(TTransportPacket& Packet) {
    cursor_.Advance(pending_);
    pending_ = 0;
    Packet.SkippedBefore = 0;
    if (!cursor_.Ensure(packetSize_)) {
        trailing_ = cursor_.Available();
        return false;
    }
    if (!Synchronised()) {
        Packet.SkippedBefore = Resynchronise();
        if (!cursor_.Ensure(packetSize_)) {
            trailing_ = cursor_.Available();
            return false;
        }
    }
    const uint8_t* d = cursor_.Data() + prefix_;
    Packet.Data = d;
    Packet.TransportError = (d[1] & 0x80) != 0;
    Packet.UnitStart = (d[1] & 0x40) != 0;
    Packet.Pid = static_cast<uint16_t>(((d[1] & 0x1F) << 8) | d[2]);
    Packet.Scrambling = static_cast<uint8_t>(d[3] >> 6);
    Packet.Continuity = static_cast<uint8_t>(d[3] & 0x0F);
    const uint8_t control = (d[3] >> 4) & 0x03;
    int32_t begin = 4;
    Packet.Discontinuity = false;
    Packet.Damaged = false;
    if (control & 0x02) {
        const int32_t length = d[4];
        begin = 5 + length;
        Packet.Discontinuity = length > 0 && (d[5] & 0x80) != 0;
        if (begin > kPacketSize) {
            Packet.Damaged = true;
            begin = kPacketSize;
        }
    }
    Packet.PayloadBegin = begin;
    Packet.PayloadEnd = (control & 0x01) ? kPacketSize : begin;
    pending_ = packetSize_;
    return true;
}

}  // namespace velmora
