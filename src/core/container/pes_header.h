// The header of a PES packet, MPEG-1 or MPEG-2 syntax, read in place: where its payload begins.
#pragma once

#include <cstdint>

namespace velmora {

struct TPesHeader {
    uint8_t StreamId = 0;
    int32_t PacketLength = 0;  // PES_packet_length: bytes after the length field; 0 = unbounded
    int32_t HeaderLength = 0;  // bytes from the 00 00 01 prefix up to the first payload byte
};

enum class TPesParse { Ok, NeedMore, Invalid };

// The longest header: 9 bytes of an MPEG-2 header and 255 of PES_header_data.
inline constexpr int32_t kMaxPesHeaderLength = 9 + 255;

// Reads the header of the PES packet at Data[0] (00 00 01 stream_id) from Size bytes. NeedMore when
// they do not hold the whole header; Invalid when it does not fit its packet or is neither syntax.
TPesParse ParsePesHeader(const uint8_t* Data, int32_t Size, TPesHeader& Header);

}  // namespace velmora
