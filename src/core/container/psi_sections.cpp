#include "container/psi_sections.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace velmora {

namespace {

constexpr uint8_t kPatTableId = 0x00;
constexpr uint8_t kPmtTableId = 0x02;
constexpr uint8_t kStuffing = 0xFF;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

int32_t SectionLength(const uint8_t* Section) {
    return 3 + (((Section[1] & 0x0F) << 8) | Section[2]);
}

// The common long-form header: syntax indicator set, current, length within Size, CRC right.
bool CurrentLongSection(const uint8_t* Section, int32_t Size, uint8_t TableId) {
    return Size >= 12 && Section[0] == TableId && (Section[1] & 0x80) != 0 && (Section[5] & 0x01) != 0 &&
           SectionLength(Section) == Size;
}

}  // namespace

uint32_t SectionCrc32(const uint8_t* Data, size_t Size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < Size; ++i) {
        crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ Data[i]) & 0xFF];
    }
    return crc;
}

void TSectionAssembler::Feed(const uint8_t* Payload, int32_t Size, bool UnitStart, bool Continuous,
                             const TSectionHandler& OnSection) {
    if (!Continuous) {
        active_ = false;
    }
    int32_t at = 0;
    if (UnitStart) {
        if (Size < 1 || 1 + Payload[0] > Size) {
            active_ = false;
            return;
        }
        // The bytes before the pointed-to section end the one in progress.
        if (active_) {
            Append(Payload + 1, Payload[0], OnSection);
        }
        at = 1 + Payload[0];
        active_ = at < Size && Payload[at] != kStuffing;
        length_ = 0;
    }
    while (active_ && at < Size) {
        at += Append(Payload + at, Size - at, OnSection);
        // Another section may follow the one just ended in the same packet.
        if (!active_ && UnitStart && at < Size && Payload[at] != kStuffing) {
            active_ = true;
            length_ = 0;
        }
    }
}

// Takes bytes of the section in progress; returns how many. Ends the section when it is whole.
int32_t TSectionAssembler::Append(const uint8_t* Data, int32_t Size, const TSectionHandler& OnSection) {
    int32_t used = 0;
    if (length_ < 3) {
        const int32_t n = std::min(3 - length_, Size);
        std::memcpy(buffer_.data() + length_, Data, static_cast<size_t>(n));
        length_ += n;
        used = n;
        if (length_ < 3) {
            return used;
        }
    }
    const int32_t total = SectionLength(buffer_.data());
    if (buffer_.size() < static_cast<size_t>(total)) {
        buffer_.resize(static_cast<size_t>(total));
    }
    const int32_t n = std::min(total - length_, Size - used);
    std::memcpy(buffer_.data() + length_, Data + used, static_cast<size_t>(n));
    length_ += n;
    used += n;
    if (length_ == total) {
        active_ = false;
        length_ = 0;
        if (SectionCrc32(buffer_.data(), static_cast<size_t>(total)) == 0) {
            OnSection(buffer_.data(), total);
        }
    }
    return used;
}

bool ParsePat(const uint8_t* Section, int32_t Size, TPatSection& Pat) {
    if (!CurrentLongSection(Section, Size, kPatTableId)) {
        return false;
    }
    Pat.SectionNumber = Section[6];
    Pat.LastSectionNumber = Section[7];
    Pat.Programs.clear();
    for (int32_t at = 8; at + 4 <= Size - 4; at += 4) {
        const uint16_t program = static_cast<uint16_t>((Section[at] << 8) | Section[at + 1]);
        const uint16_t pid = static_cast<uint16_t>(((Section[at + 2] & 0x1F) << 8) | Section[at + 3]);
        if (program != 0) {
            Pat.Programs.push_back({program, pid});
        }
    }
    return true;
}

bool ParsePmt(const uint8_t* Section, int32_t Size, TPmtSection& Pmt) {
    if (!CurrentLongSection(Section, Size, kPmtTableId)) {
        return false;
    }
    Pmt.ProgramNumber = static_cast<uint16_t>((Section[3] << 8) | Section[4]);
    Pmt.Streams.clear();
    const int32_t end = Size - 4;
    int32_t at = 12 + (((Section[10] & 0x0F) << 8) | Section[11]);
    while (at + 5 <= end) {
        const uint8_t type = Section[at];
        const uint16_t pid = static_cast<uint16_t>(((Section[at + 1] & 0x1F) << 8) | Section[at + 2]);
        const int32_t info = ((Section[at + 3] & 0x0F) << 8) | Section[at + 4];
        Pmt.Streams.push_back({type, pid});
        at += 5 + info;
    }
    return true;
}

}  // namespace velmora
