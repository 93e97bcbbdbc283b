// Builds exact program and transport stream fixtures: PES packets, pack and system headers, TS
// packets with adaptation fields of any length, and PAT/PMT sections with their CRC.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace velmora::test {

using TBytes = std::vector<uint8_t>;

struct TPesOptions {
    bool Mpeg1 = false;      // MPEG-1 header syntax instead of MPEG-2
    int Stuffing = 0;        // MPEG-1: 0xFF bytes before the fields; MPEG-2: 0xFF bytes in the header data
    bool Pts = true;         // a presentation time stamp (MPEG-1 without one: the byte 0x0F)
    bool Dts = false;        // and a decoding time stamp
    bool StdBuffer = false;  // MPEG-1: the two P-STD buffer bytes
    bool Unbounded = false;  // PES_packet_length 0, as video in a transport stream may have
};

// 00 00 01 StreamId, the length, the header, then Payload.
TBytes PesPacket(uint8_t StreamId, const TBytes& Payload, const TPesOptions& Options = {});

// A pack header: MPEG-2 (14 bytes and Stuffing bytes) or MPEG-1 (12 bytes).
TBytes PackHeader(int MpegVersion, int Stuffing = 0);

// A system header listing StreamIds with P-STD buffer bounds.
TBytes SystemHeader(const std::vector<uint8_t>& StreamIds);

// One 188-byte TS packet. AdaptationLength < 0: an adaptation field only when Payload is shorter than
// 184 bytes, stuffed to fill the packet; otherwise an adaptation field of that length (0 to 183) and
// Payload, which must fill the rest exactly (none when the length is 183).
TBytes TsPacket(uint16_t Pid, uint8_t Continuity, bool UnitStart, const TBytes& Payload,
                int AdaptationLength = -1, uint8_t Scrambling = 0);

// Bytes of one unit (a PES packet, or a pointer field and sections) cut into TS packets of Pid, the
// first with payload_unit_start_indicator; Continuity counts on from the value given and returns the
// next one.
TBytes TsPackets(uint16_t Pid, uint8_t& Continuity, const TBytes& Unit);

// A long-form section with its CRC: table id, table id extension, version 0, current, section 0 of 0.
TBytes PsiSection(uint8_t TableId, uint16_t Extension, const TBytes& Body);
// PAT of (program_number, PMT PID) pairs.
TBytes PatSection(const std::vector<std::pair<uint16_t, uint16_t>>& Programs);
// PMT of (stream_type, PID) pairs for one program.
TBytes PmtSection(uint16_t Program, uint16_t PcrPid,
                  const std::vector<std::pair<uint8_t, uint16_t>>& Streams);
// A section as the payload of a unit: pointer field 0 then the section.
TBytes WithPointerField(const TBytes& Section);

// Each 188-byte packet with a 4-byte arrival time stamp before it (.m2ts).
TBytes WithTimestampPrefixes(const TBytes& Packets);

TBytes operator+(TBytes A, const TBytes& B);

}  // namespace velmora::test
