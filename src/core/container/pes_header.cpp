#include "container/pes_header.h"

namespace velmora {

namespace {

// Stream ids whose packets carry no header beyond the length: the stream map, padding, private
// stream 2, ECM, EMM, DSM-CC, H.222.1 type E and the directory.
bool HasNoOptionalHeader(uint8_t StreamId) {
    return StreamId == 0xBC || StreamId == 0xBE || StreamId == 0xBF || StreamId == 0xF0 || StreamId == 0xF1 ||
           StreamId == 0xF2 || StreamId == 0xF8 || StreamId == 0xFF;
}

// MPEG-1: up to 16 stuffing bytes 0xFF, optional STD buffer fields ('01'), then a PTS ('0010'),
// PTS and DTS ('0011') or the byte 0x0F.
TPesParse Mpeg1HeaderLength(const uint8_t* Data, int32_t Size, int32_t& Length) {
    int32_t i = 6;
    for (int stuffing = 0; i < Size && Data[i] == 0xFF; ++i) {
        if (++stuffing > 16) {
            return TPesParse::Invalid;
        }
    }
    if (i >= Size) {
        return TPesParse::NeedMore;
    }
    if ((Data[i] & 0xC0) == 0x40) {
        i += 2;
        if (i >= Size) {
            return TPesParse::NeedMore;
        }
    }
    const uint8_t flags = Data[i];
    if ((flags & 0xF0) == 0x20) {
        i += 5;
    } else if ((flags & 0xF0) == 0x30) {
        i += 10;
    } else if (flags == 0x0F) {
        i += 1;
    } else {
        return TPesParse::Invalid;
    }
    Length = i;
    return TPesParse::Ok;
}

}  // namespace

TPesParse ParsePesHeader(const uint8_t* Data, int32_t Size, TPesHeader& Header) {
    if (Size < 6) {
        return TPesParse::NeedMore;
    }
    Header.StreamId = Data[3];
    Header.PacketLength = (Data[4] << 8) | Data[5];
    int32_t length = 6;
    if (!HasNoOptionalHeader(Header.StreamId)) {
        if (Size < 7) {
            return TPesParse::NeedMore;
        }
        if ((Data[6] & 0xC0) == 0x80) {
            if (Size < 9) {
                return TPesParse::NeedMore;
            }
            length = 9 + Data[8];
        } else {
            const TPesParse result = Mpeg1HeaderLength(Data, Size, length);
            if (result != TPesParse::Ok) {
                return result;
            }
        }
    }
    if (Header.PacketLength != 0 && length > 6 + Header.PacketLength) {
        return TPesParse::Invalid;
    }
    Header.HeaderLength = length;
    return TPesParse::Ok;
}

}  // namespace velmora
