#include "container/transport_stream.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "container/psi_sections.h"

namespace velmora {

namespace {

constexpr uint16_t kPatPid = 0x0000;

// Continuity of the packets of one PID as the program tables are read: a repeated counter is a
// duplicate packet, a jump drops the section in progress.
struct TContinuity {
    bool Known = false;
    uint8_t Last = 0;
};

}  // namespace

std::vector<TTransportVideo> ListTransportVideo(int Fd, int64_t Offset, const std::string& FileName,
                                                int32_t PacketSize, int64_t Limit) {
    TTransportPacketReader reader(Fd, Offset, FileName, PacketSize);
    TSectionAssembler pat;
    std::map<uint16_t, TSectionAssembler> pmtAssemblers;
    std::map<uint16_t, TContinuity> continuity;
    std::vector<TPatEntry> programs;
    std::set<uint8_t> patSections;
    bool patDone = false;
    std::map<uint16_t, std::vector<TPmtStream>> pmts;  // by program number

    const auto onPat = [&](const uint8_t* Section, int32_t Size) {
        TPatSection section;
        if (!ParsePat(Section, Size, section)) {
            return;
        }
        for (const TPatEntry& entry : section.Programs) {
            const bool known = std::any_of(programs.begin(), programs.end(), [&](const TPatEntry& e) {
                return e.ProgramNumber == entry.ProgramNumber;
            });
            if (!known) {
                programs.push_back(entry);
            }
        }
        patSections.insert(section.SectionNumber);
        patDone = patSections.size() == static_cast<size_t>(section.LastSectionNumber) + 1;
    };
    const auto onPmt = [&](const uint8_t* Section, int32_t Size) {
        TPmtSection section;
        if (ParsePmt(Section, Size, section) && !pmts.contains(section.ProgramNumber)) {
            pmts[section.ProgramNumber] = section.Streams;
        }
    };

    TTransportPacket packet;
    while (reader.Offset() < Limit && reader.Next(packet)) {
        if (packet.TransportError || packet.Scrambling != 0 || !packet.HasPayload()) {
            continue;
        }
        TContinuity& cc = continuity[packet.Pid];
        if (cc.Known && !packet.Discontinuity && packet.Continuity == cc.Last) {
            continue;
        }
        const bool continuous =
            !cc.Known || packet.Discontinuity || packet.Continuity == ((cc.Last + 1) & 0x0F);
        cc = {true, packet.Continuity};
        const uint8_t* payload = packet.Data + packet.PayloadBegin;
        const int32_t size = packet.PayloadEnd - packet.PayloadBegin;
        if (packet.Pid == kPatPid) {
            if (!patDone) {
                pat.Feed(payload, size, packet.UnitStart, continuous, onPat);
            }
        } else if (patDone && std::any_of(programs.begin(), programs.end(),
                                          [&](const TPatEntry& e) { return e.PmtPid == packet.Pid; })) {
            pmtAssemblers[packet.Pid].Feed(payload, size, packet.UnitStart, continuous, onPmt);
        }
        if (patDone && pmts.size() >= programs.size() &&
            std::all_of(programs.begin(), programs.end(),
                        [&](const TPatEntry& e) { return pmts.contains(e.ProgramNumber); })) {
            break;
        }
    }

    std::vector<TTransportVideo> videos;
    for (const TPatEntry& program : programs) {
        const auto found = pmts.find(program.ProgramNumber);
        if (found == pmts.end()) {
            continue;
        }
        for (const TPmtStream& stream : found->second) {
            const bool video =
                stream.StreamType == kMpeg1VideoStreamType || stream.StreamType == kMpeg2VideoStreamType;
            const bool listed = std::any_of(videos.begin(), videos.end(),
                                            [&](const TTransportVideo& v) { return v.Pid == stream.Pid; });
            if (video && !listed) {
                videos.push_back({stream.Pid, stream.StreamType, program.ProgramNumber});
            }
        }
    }
    return videos;
}

TTransportStreamSource::TTransportStreamSource(int Fd, int64_t Offset, std::string FileName,
                                               int32_t PacketSize, uint16_t Pid, TContainerLog Log)
    : reader_(Fd, Offset, std::move(FileName), PacketSize), pid_(Pid), log_(std::move(Log)) {}

void TTransportStreamSource::Message(const std::string& Text) const {
    if (log_) {
        log_(Text);
    }
}

int64_t TTransportStreamSource::Read(uint8_t* Data, int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        if (pendingSize_ == 0 && !NextPayload()) {
            break;
        }
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(pendingSize_, Count - done));
        std::memcpy(Data + done, pending_, static_cast<size_t>(n));
        pending_ += n;
        pendingSize_ -= n;
        done += n;
        position_ += n;
    }
    return done;
}

int64_t TTransportStreamSource::Skip(int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
        if (pendingSize_ == 0 && !NextPayload()) {
            break;
        }
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(pendingSize_, Count - done));
        pending_ += n;
        pendingSize_ -= n;
        done += n;
        position_ += n;
    }
    return done;
}

bool TTransportStreamSource::NextPayload() {
    TTransportPacket packet;
    while (!ended_) {
        if (!reader_.Next(packet)) {
            EndOfFile();
            return false;
        }
        if (packet.SkippedBefore > 0) {
            Message(std::to_string(packet.SkippedBefore) + " bytes of unknown data skipped" + AtOffset());
        }
        if (packet.Pid != pid_) {
            continue;
        }
        TakePacket(packet);
        if (pendingSize_ > 0) {
            return true;
        }
    }
    return false;
}

void TTransportStreamSource::TakePacket(const TTransportPacket& Packet) {
    pending_ = nullptr;
    pendingSize_ = 0;
    if (Packet.TransportError) {
        Message("TS packet with a transport error skipped" + AtOffset());
        return;
    }
    if (!Packet.HasPayload()) {
        // Only a packet with payload counts; a discontinuity announced here applies to the next one.
        if (Packet.Discontinuity) {
            haveContinuity_ = false;
        }
        return;
    }
    bool continuous = true;
    if (haveContinuity_ && !Packet.Discontinuity) {
        if (Packet.Continuity == continuity_) {
            return;  // sent twice, as the standard allows
        }
        const int missing = (Packet.Continuity - continuity_ - 1) & 0x0F;
        if (missing > 0) {
            Message(std::to_string(missing) + (missing == 1 ? " TS packet missing" : " TS packets missing") +
                    AtOffset());
            continuous = false;
        }
    }
    haveContinuity_ = true;
    continuity_ = Packet.Continuity;
    if (Packet.Scrambling != 0) {
        ++scrambledRun_;
        inPes_ = false;
        return;
    }
    EndScrambledRun();

    const uint8_t* payload = Packet.Data + Packet.PayloadBegin;
    const int32_t size = Packet.PayloadEnd - Packet.PayloadBegin;
    if (!continuous) {
        gapInPes_ = true;
    }
    if (Packet.UnitStart) {
        if (inPes_ && pesLength_ > 0 && pesBytes_ < pesLength_ && !gapInPes_) {
            Message("PES packet cut short: " + std::to_string(pesLength_ - pesBytes_) + " bytes missing" +
                    AtOffset());
        }
        inPes_ = true;
        headerKnown_ = false;
        headerBytes_ = 0;
        pesBytes_ = 0;
        gapInPes_ = false;
    }
    if (!inPes_) {
        return;
    }
    const int64_t index = pesBytes_;  // offset of payload[0] in the PES packet
    pesBytes_ += size;
    if (!headerKnown_) {
        // A header may be spread over packets: it is gathered until it can be read.
        const int32_t n = std::min(size, kMaxPesHeaderLength - headerBytes_);
        std::memcpy(header_ + headerBytes_, payload, static_cast<size_t>(n));
        headerBytes_ += n;
        TPesHeader header;
        const bool prefixed =
            header_[0] == 0 && (headerBytes_ < 2 || header_[1] == 0) && (headerBytes_ < 3 || header_[2] == 1);
        const TPesParse parsed =
            prefixed ? ParsePesHeader(header_, headerBytes_, header) : TPesParse::Invalid;
        if (parsed == TPesParse::NeedMore && headerBytes_ < kMaxPesHeaderLength) {
            return;
        }
        if (parsed != TPesParse::Ok) {
            Message("Invalid PES header skipped" + AtOffset());
            inPes_ = false;
            return;
        }
        headerKnown_ = true;
        payloadStart_ = header.HeaderLength;
        pesLength_ = header.PacketLength == 0 ? 0 : 6 + header.PacketLength;
    }
    const int64_t from = std::max<int64_t>(payloadStart_ - index, 0);
    const int64_t to = pesLength_ > 0 ? std::min<int64_t>(size, pesLength_ - index) : size;
    if (from < to) {
        pending_ = payload + from;
        pendingSize_ = static_cast<int32_t>(to - from);
    }
}

void TTransportStreamSource::EndScrambledRun() {
    if (scrambledRun_ > 0) {
        Message(std::to_string(scrambledRun_) +
                (scrambledRun_ == 1 ? " scrambled TS packet skipped" : " scrambled TS packets skipped") +
                AtOffset());
        scrambledRun_ = 0;
    }
}

void TTransportStreamSource::EndOfFile() {
    ended_ = true;
    EndScrambledRun();
    if (inPes_ && pesLength_ > 0 && pesBytes_ < pesLength_ && !gapInPes_) {
        Message("PES packet cut short: " + std::to_string(pesLength_ - pesBytes_) + " bytes missing" +
                AtOffset());
    }
}

}  // namespace velmora
