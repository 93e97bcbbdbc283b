#include "support/container_builder.h"

#include <stdexcept>

#include "container/psi_sections.h"

namespace velmora::test {

namespace {

// A time stamp of 33 bits in 5 bytes with the given 4-bit prefix and marker bits.
void PutTimestamp(TBytes& Out, uint8_t Prefix, uint64_t Value) {
    Out.push_back(static_cast<uint8_t>((Prefix << 4) | ((Value >> 29) & 0x0E) | 1));
    Out.push_back(static_cast<uint8_t>(Value >> 22));
    Out.push_back(static_cast<uint8_t>(((Value >> 14) & 0xFE) | 1));
    Out.push_back(static_cast<uint8_t>(Value >> 7));
    Out.push_back(static_cast<uint8_t>(((Value << 1) & 0xFE) | 1));
}

}  // namespace

TBytes operator+(TBytes A, const TBytes& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

TBytes PesPacket(uint8_t StreamId, const TBytes& Payload, const TPesOptions& Options) {
    TBytes header;
    if (Options.Mpeg1) {
        header.insert(header.end(), static_cast<size_t>(Options.Stuffing), 0xFF);
        if (Options.StdBuffer) {
            header.push_back(0x60);  // '01', scale 1, size high bits
            header.push_back(0x2E);
        }
        if (Options.Pts && Options.Dts) {
            PutTimestamp(header, 0x3, 9000);
            PutTimestamp(header, 0x1, 5400);
        } else if (Options.Pts) {
            PutTimestamp(header, 0x2, 9000);
        } else {
            header.push_back(0x0F);
        }
    } else {
        TBytes data;
        uint8_t flags = 0;
        if (Options.Pts && Options.Dts) {
            flags = 0xC0;
            PutTimestamp(data, 0x3, 9000);
            PutTimestamp(data, 0x1, 5400);
        } else if (Options.Pts) {
            flags = 0x80;
            PutTimestamp(data, 0x2, 9000);
        }
        data.insert(data.end(), static_cast<size_t>(Options.Stuffing), 0xFF);
        header = {0x81, flags, static_cast<uint8_t>(data.size())};  // '10', original_or_copy
        header.insert(header.end(), data.begin(), data.end());
    }
    const size_t length = Options.Unbounded ? 0 : header.size() + Payload.size();
    if (length > 0xFFFF) {
        throw std::invalid_argument("PES packet too long");
    }
    TBytes out = {0, 0, 1, StreamId, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    return out + header + Payload;
}

TBytes PackHeader(int MpegVersion, int Stuffing) {
    if (MpegVersion == 1) {
        // '0010', SCR 0 with markers, mux rate 2520 with markers.
        return {0, 0, 1, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x13, 0xB1};
    }
    // '01', SCR 0 and extension 0 with markers, mux rate 25200, reserved, stuffing length.
    TBytes out = {0,    0,    1,    0xBA, 0x44, 0x00, 0x04,
                  0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, static_cast<uint8_t>(0xF8 | Stuffing)};
    out.insert(out.end(), static_cast<size_t>(Stuffing), 0xFF);
    return out;
}

TBytes SystemHeader(const std::vector<uint8_t>& StreamIds) {
    TBytes body = {0x80, 0x01, 0x01, 0x04, 0xE1, 0xFF};  // rate bound, audio bound 1, video bound 1
    for (const uint8_t id : StreamIds) {
        body.insert(body.end(), {id, 0xE0, 0xE8});
    }
    TBytes out = {0, 0, 1, 0xBB, static_cast<uint8_t>(body.size() >> 8), static_cast<uint8_t>(body.size())};
    return out + body;
}

TBytes TsPacket(uint16_t Pid, uint8_t Continuity, bool UnitStart, const TBytes& Payload, int AdaptationLength,
                uint8_t Scrambling) {
    if (AdaptationLength < 0 && Payload.size() < 184) {
        AdaptationLength = static_cast<int>(183 - Payload.size());
    }
    const bool adaptation = AdaptationLength >= 0;
    const size_t room = adaptation ? 183 - static_cast<size_t>(AdaptationLength) : 184;
    if (Payload.size() != room) {
        throw std::invalid_argument("TS payload does not fill the packet");
    }
    const uint8_t control = (adaptation ? 0x20 : 0) | (Payload.empty() ? 0 : 0x10);
    TBytes out = {0x47, static_cast<uint8_t>((UnitStart ? 0x40 : 0) | (Pid >> 8)), static_cast<uint8_t>(Pid),
                  static_cast<uint8_t>((Scrambling << 6) | control | (Continuity & 0x0F))};
    if (adaptation) {
        out.push_back(static_cast<uint8_t>(AdaptationLength));
        if (AdaptationLength > 0) {
            out.push_back(0x00);  // no flags
            out.insert(out.end(), static_cast<size_t>(AdaptationLength - 1), 0xFF);
        }
    }
    return out + Payload;
}

TBytes TsPackets(uint16_t Pid, uint8_t& Continuity, const TBytes& Unit) {
    TBytes out;
    for (size_t at = 0; at < Unit.size(); at += 184) {
        const size_t n = std::min<size_t>(184, Unit.size() - at);
        out = out + TsPacket(Pid, Continuity, at == 0, TBytes(Unit.begin() + at, Unit.begin() + at + n));
        Continuity = (Continuity + 1) & 0x0F;
    }
    return out;
}

TBytes PsiSection(uint8_t TableId, uint16_t Extension, const TBytes& Body) {
    const size_t length = 5 + Body.size() + 4;
    TBytes out = {TableId,
                  static_cast<uint8_t>(0xB0 | (length >> 8)),
                  static_cast<uint8_t>(length),
                  static_cast<uint8_t>(Extension >> 8),
                  static_cast<uint8_t>(Extension),
                  0xC1,
                  0x00,
                  0x00};
    out = out + Body;
    const uint32_t crc = SectionCrc32(out.data(), out.size());
    return out + TBytes{static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                        static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
}

TBytes PatSection(const std::vector<std::pair<uint16_t, uint16_t>>& Programs) {
    TBytes body;
    for (const auto& [program, pid] : Programs) {
        body.insert(body.end(), {static_cast<uint8_t>(program >> 8), static_cast<uint8_t>(program),
                                 static_cast<uint8_t>(0xE0 | (pid >> 8)), static_cast<uint8_t>(pid)});
    }
    return PsiSection(0x00, 1, body);
}

TBytes PmtSection(uint16_t Program, uint16_t PcrPid,
                  const std::vector<std::pair<uint8_t, uint16_t>>& Streams) {
    TBytes body = {static_cast<uint8_t>(0xE0 | (PcrPid >> 8)), static_cast<uint8_t>(PcrPid), 0xF0, 0x00};
    for (const auto& [type, pid] : Streams) {
        body.insert(body.end(),
                    {type, static_cast<uint8_t>(0xE0 | (pid >> 8)), static_cast<uint8_t>(pid), 0xF0, 0x00});
    }
    return PsiSection(0x02, Program, body);
}

TBytes WithPointerField(const TBytes& Section) {
    return TBytes{0x00} + Section;
}

TBytes WithTimestampPrefixes(const TBytes& Packets) {
    TBytes out;
    for (size_t at = 0; at + 188 <= Packets.size(); at += 188) {
        out.insert(out.end(), {0x00, 0x00, 0x00, static_cast<uint8_t>(at / 188)});
        out.insert(out.end(), Packets.begin() + at, Packets.begin() + at + 188);
    }
    return out;
}

}  // namespace velmora::test
