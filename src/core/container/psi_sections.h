// Program-specific information of a transport stream: sections gathered from packets, their CRC, and
// the two tables that lead to the video: the program association and program map tables.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace velmora {

// CRC-32 of MPEG-2 sections (polynomial 0x04C11DB7, initial value all ones, no reflection); over a
// whole section with its CRC field it is 0.
uint32_t SectionCrc32(const uint8_t* Data, size_t Size);

// Gathers the sections of one PID from its packets' payloads: pointer fields, sections spread over
// packets and several sections in one packet.
class TSectionAssembler {
  public:
    using TSectionHandler = std::function<void(const uint8_t* Section, int32_t Size)>;

    // Payload of the next packet of the PID. Continuous is false after a gap, which drops a section
    // in progress. OnSection receives each whole section whose CRC is right.
    void Feed(const uint8_t* Payload, int32_t Size, bool UnitStart, bool Continuous,
              const TSectionHandler& OnSection);

  private:
    int32_t Append(const uint8_t* Data, int32_t Size, const TSectionHandler& OnSection);

    // Grows to the longest section met (at most 3 + 4095 bytes): a file may name thousands of PIDs.
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(3);
    int32_t length_ = 0;
    bool active_ = false;
};

struct TPatEntry {
    uint16_t ProgramNumber = 0;
    uint16_t PmtPid = 0;
};

struct TPmtStream {
    uint8_t StreamType = 0;
    uint16_t Pid = 0;
};

struct TPatSection {
    uint8_t SectionNumber = 0;
    uint8_t LastSectionNumber = 0;
    std::vector<TPatEntry> Programs;  // program 0 (the network PID) left out
};

struct TPmtSection {
    uint16_t ProgramNumber = 0;
    std::vector<TPmtStream> Streams;
};

// False when the section is not a current section of that table.
bool ParsePat(const uint8_t* Section, int32_t Size, TPatSection& Pat);
bool ParsePmt(const uint8_t* Section, int32_t Size, TPmtSection& Pmt);

}  // namespace velmora
