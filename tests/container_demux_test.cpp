// The container layer on exact fixtures: detection, PES headers of both syntaxes, program and
// transport stream demultiplexing, the messages on damage, and a random round trip through both.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "container/pes_header.h"
#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::PackHeader;
using test::PatSection;
using test::PesPacket;
using test::PmtSection;
using test::SystemHeader;
using test::TBytes;
using test::TPesOptions;
using test::TsPacket;
using test::TsPackets;
using test::WithPointerField;
using test::operator+;

// Bytes that hold no 00 00 01, each telling its place: a wrong or lost stretch shows.
TBytes Payload(size_t Size, uint8_t Seed) {
    TBytes bytes(Size);
    for (size_t i = 0; i < Size; ++i) {
        bytes[i] = static_cast<uint8_t>(0x10 + (Seed + i) % 0xE0);
    }
    return bytes;
}

struct TDemuxed {
    TContainerInfo Info;
    TBytes Video;
    std::vector<std::string> Messages;
    int64_t FileOffset = -1;  // where the source stopped reading the file
};

// Writes File, probes it and reads the video of stream Index in reads of ReadSize bytes.
TDemuxed Demux(const TBytes& File, size_t Index = 0, int64_t ReadSize = 7) {
    test::TempDir dir;
    const std::string name = dir.File("input");
    test::WriteFileBytes(name, File);
    const TReadOnlyFile file(name);
    TDemuxed out;
    out.Info = ProbeContainer(file.Fd(), name);
    if (Index >= out.Info.Streams.size()) {
        return out;
    }
    const auto source = OpenVideoSource(file.Fd(), name, out.Info, Index,
                                        [&](const std::string& Text) { out.Messages.push_back(Text); });
    TBytes buffer(static_cast<size_t>(ReadSize));
    for (int64_t got; (got = source->Read(buffer.data(), ReadSize)) > 0;) {
        out.Video.insert(out.Video.end(), buffer.begin(), buffer.begin() + got);
    }
    EXPECT_EQ(source->Position(), static_cast<int64_t>(out.Video.size()));
    out.FileOffset = source->FileOffset();
    return out;
}

// --- Detection ------------------------------------------------------------------------------------

struct TDetectCase {
    const char* Name;
    TBytes Bytes;
    TContainerKind Kind;
    int32_t PacketSize;
    int32_t MpegVersion;
};

TBytes TsOfPackets(int Count) {
    TBytes out;
    for (int i = 0; i < Count; ++i) {
        out = out + TsPacket(0x1FFF, 0, false, Payload(184, 0));
    }
    return out;
}

TEST(ContainerDetection, TellsEachKindFromItsBytes) {
    const TBytes sequence = {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x33};
    const std::vector<TDetectCase> cases = {
        {"elementary", sequence, TContainerKind::Elementary, 0, 0},
        {"elementary after zero bytes", TBytes(100, 0) + sequence, TContainerKind::Elementary, 0, 0},
        {"MPEG-2 program stream", PackHeader(2) + PesPacket(0xE0, sequence), TContainerKind::ProgramStream, 0,
         2},
        {"MPEG-1 program stream", PackHeader(1) + PesPacket(0xE0, sequence, {.Mpeg1 = true}),
         TContainerKind::ProgramStream, 0, 1},
        {"188-byte transport stream", TsOfPackets(3), TContainerKind::TransportStream, 188, 0},
        {"192-byte transport stream", test::WithTimestampPrefixes(TsOfPackets(3)),
         TContainerKind::TransportStream, 192, 0},
        {"two TS packets are not enough", TsOfPackets(2), TContainerKind::Unknown, 0, 0},
        {"a PES packet alone", PesPacket(0xE0, sequence), TContainerKind::Unknown, 0, 0},
        {"text", TBytes{'h', 'e', 'l', 'l', 'o'}, TContainerKind::Unknown, 0, 0},
        {"empty", TBytes{}, TContainerKind::Unknown, 0, 0},
        {"start code far from the start", Payload(4000, 1) + sequence, TContainerKind::Unknown, 0, 0},
    };
    for (const TDetectCase& c : cases) {
        const TContainerFormat format = DetectContainer(c.Bytes.data(), c.Bytes.size());
        EXPECT_EQ(format.Kind, c.Kind) << c.Name;
        EXPECT_EQ(format.PacketSize, c.PacketSize) << c.Name;
        EXPECT_EQ(format.MpegVersion, c.MpegVersion) << c.Name;
    }
    // A transport stream cut in the middle of a packet at the start is found at its first whole one.
    const TBytes late = TBytes(100, 0xAA) + TsOfPackets(3);
    EXPECT_EQ(DetectContainer(late.data(), late.size()).FirstPacket, 100);
}

// --- PES headers ----------------------------------------------------------------------------------

TEST(PesHeader, FindsThePayloadInBothSyntaxes) {
    struct TCase {
        const char* Name;
        TPesOptions Options;
        int32_t HeaderLength;
        int32_t KnownAt;  // bytes needed to tell the header's length
    };
    const std::vector<TCase> cases = {
        {"MPEG-2, no time stamp", {.Pts = false}, 9, 9},
        {"MPEG-2, PTS", {}, 14, 9},
        {"MPEG-2, PTS and DTS, 7 stuffing bytes", {.Stuffing = 7, .Dts = true}, 26, 9},
        {"MPEG-1, no time stamp", {.Mpeg1 = true, .Pts = false}, 7, 7},
        {"MPEG-1, PTS", {.Mpeg1 = true}, 11, 7},
        {"MPEG-1, 16 stuffing bytes, STD, PTS and DTS",
         {.Mpeg1 = true, .Stuffing = 16, .Dts = true, .StdBuffer = true},
         6 + 16 + 2 + 10,
         6 + 16 + 2 + 1},
    };
    for (const TCase& c : cases) {
        const TBytes packet = PesPacket(0xE0, Payload(20, 0), c.Options);
        TPesHeader header;
        ASSERT_EQ(ParsePesHeader(packet.data(), static_cast<int32_t>(packet.size()), header), TPesParse::Ok)
            << c.Name;
        EXPECT_EQ(header.HeaderLength, c.HeaderLength) << c.Name;
        EXPECT_EQ(header.PacketLength, c.HeaderLength - 6 + 20) << c.Name;
        // Every prefix too short to tell the length asks for more.
        for (int32_t size = 0; size < c.KnownAt; ++size) {
            EXPECT_EQ(ParsePesHeader(packet.data(), size, header), TPesParse::NeedMore)
                << c.Name << " " << size;
        }
    }
    TPesHeader header;
    // 17 stuffing bytes, a header longer than its packet, and a byte of neither syntax.
    const TBytes tooMuchStuffing = PesPacket(0xE0, Payload(4, 0), {.Mpeg1 = true, .Stuffing = 17});
    const TBytes overlong = {0, 0, 1, 0xE0, 0x00, 0x03, 0x80, 0x00, 0x05, 0, 0, 0, 0, 0};
    const TBytes neither = {0, 0, 1, 0xE0, 0x00, 0x03, 0x10, 0x00, 0x00};
    for (const TBytes& bad : {tooMuchStuffing, overlong, neither}) {
        EXPECT_EQ(ParsePesHeader(bad.data(), static_cast<int32_t>(bad.size()), header), TPesParse::Invalid);
    }
}

// --- Program streams ------------------------------------------------------------------------------

TEST(ProgramStream, DeliversOnlyTheVideoPayloadOfEitherSyntax) {
    const TBytes a = Payload(300, 1), b = Payload(2000, 2), c = Payload(5, 3);
    for (const int version : {1, 2}) {
        const bool mpeg1 = version == 1;
        const TBytes file =
            PackHeader(version, 3) + SystemHeader({0xE0, 0xC0, 0xBD}) + PesPacket(0xBC, Payload(30, 9)) +
            PesPacket(0xE0, a, {.Mpeg1 = mpeg1, .Stuffing = 5, .Dts = true, .StdBuffer = mpeg1}) +
            PesPacket(0xC0, Payload(100, 4), {.Mpeg1 = mpeg1}) +
            PesPacket(0xBD, Payload(50, 5), {.Mpeg1 = mpeg1}) + PackHeader(version) +
            PesPacket(0xBE, TBytes(40, 0xFF)) + PesPacket(0xBF, Payload(20, 6)) +
            PesPacket(0xE0, b, {.Mpeg1 = mpeg1, .Pts = false}) + PesPacket(0xE0, c, {.Mpeg1 = mpeg1}) +
            TBytes{0, 0, 1, 0xB9};
        const TDemuxed out = Demux(file);
        ASSERT_EQ(out.Info.Format.Kind, TContainerKind::ProgramStream);
        EXPECT_EQ(out.Info.Format.MpegVersion, version);
        EXPECT_EQ(out.Video, a + b + c) << "MPEG-" << version;
        EXPECT_TRUE(out.Messages.empty());
        EXPECT_EQ(out.FileOffset, static_cast<int64_t>(file.size()));
    }
}

TEST(ProgramStream, ListsTwoVideoStreamsAndDeliversTheOneChosen) {
    const TBytes e0 = Payload(1000, 1), e1 = Payload(700, 2);
    TBytes file;
    for (int pack = 0; pack < 4; ++pack) {
        file = file + PackHeader(2) +
               PesPacket(0xE1, TBytes(e1.begin() + pack * 175, e1.begin() + (pack + 1) * 175)) +
               PesPacket(0xE0, TBytes(e0.begin() + pack * 250, e0.begin() + (pack + 1) * 250));
    }
    const TDemuxed first = Demux(file, 0);
    ASSERT_EQ(first.Info.Streams.size(), 2u);
    EXPECT_EQ(first.Info.Streams[0].Id, 0xE1);  // in the order met
    EXPECT_EQ(first.Info.Streams[1].Id, 0xE0);
    EXPECT_EQ(first.Video, e1);
    EXPECT_EQ(Demux(file, 1).Video, e0);
    EXPECT_EQ(ContainerChoiceKey(first.Info, 1), "program_stream:0xE0");
}

TEST(ProgramStream, ReportsGarbageAndAPacketCutShortAndEndsCleanly) {
    const TBytes a = Payload(400, 1), b = Payload(400, 2);
    const TBytes whole =
        PackHeader(2) + PesPacket(0xE0, a) + Payload(37, 9) + PackHeader(2) + PesPacket(0xE0, b);
    const TDemuxed out = Demux(TBytes(whole.begin(), whole.end() - 100));
    EXPECT_EQ(out.Video, a + TBytes(b.begin(), b.end() - 100));
    EXPECT_EQ(out.Messages,
              (std::vector<std::string>{"37 bytes of unknown data skipped before offset 400",
                                        "PES packet cut short: 100 bytes missing at offset 700"}));
    // Cut anywhere, the file gives a prefix of its video and never more.
    for (size_t size = 0; size < whole.size(); size += 13) {
        const TDemuxed cut = Demux(TBytes(whole.begin(), whole.begin() + size));
        const TBytes all = a + b;
        ASSERT_LE(cut.Video.size(), all.size());
        EXPECT_TRUE(std::equal(cut.Video.begin(), cut.Video.end(), all.begin())) << size;
    }
}

// --- Transport streams ----------------------------------------------------------------------------

constexpr uint16_t kPmtPid = 0x1000;
constexpr uint16_t kVideoPid = 0x0100;
constexpr uint16_t kAudioPid = 0x0101;

TBytes ProgramTables(uint8_t& PatCc, uint8_t& PmtCc,
                     const std::vector<std::pair<uint8_t, uint16_t>>& Streams = {{0x02, kVideoPid},
                                                                                 {0x03, kAudioPid}}) {
    return TsPackets(0, PatCc, WithPointerField(PatSection({{1, kPmtPid}}))) +
           TsPackets(kPmtPid, PmtCc, WithPointerField(PmtSection(1, kVideoPid, Streams)));
}

TEST(TransportStream, FollowsTheTablesAndJoinsPesPacketsSpreadOverPackets) {
    uint8_t patCc = 0, pmtCc = 0, videoCc = 5, audioCc = 0;
    const TBytes a = Payload(500, 1), b = Payload(319, 2);
    // A PES packet over three TS packets with audio between them, then packets whose adaptation
    // fields take 183 bytes (no payload) and 0 bytes (a 183-byte payload) in an unbounded packet.
    const TBytes pesA = TsPackets(kVideoPid, videoCc, PesPacket(0xE0, a));
    const TBytes pesB = PesPacket(0xE0, b, {.Unbounded = true});
    const TBytes file = ProgramTables(patCc, pmtCc) + TBytes(pesA.begin(), pesA.begin() + 188) +
                        TsPackets(kAudioPid, audioCc, PesPacket(0xC0, Payload(300, 3))) +
                        TBytes(pesA.begin() + 188, pesA.end()) +
                        TsPacket(kVideoPid, videoCc, false, {}, 183) +
                        TsPacket(kVideoPid, videoCc, true, TBytes(pesB.begin(), pesB.begin() + 183), 0) +
                        TsPacket(kVideoPid, videoCc + 1, false, TBytes(pesB.begin() + 183, pesB.end()));
    const TDemuxed out = Demux(file);
    ASSERT_EQ(out.Info.Format.Kind, TContainerKind::TransportStream);
    ASSERT_EQ(out.Info.Streams.size(), 1u);
    EXPECT_EQ(out.Info.Streams[0].Id, kVideoPid);
    EXPECT_EQ(out.Info.Streams[0].StreamType, 0x02);
    EXPECT_EQ(out.Video, a + b);
    EXPECT_TRUE(out.Messages.empty()) << out.Messages.front();
}

TEST(TransportStream, ReadsTablesSpreadOverPacketsAndBehindPointerFields) {
    // A PMT listing enough streams to need two packets, after a pointer field that skips the tail of
    // an earlier section; a second program whose PMT lists MPEG-1 video.
    std::vector<std::pair<uint8_t, uint16_t>> streams;
    for (uint16_t pid = 0x200; pid < 0x200 + 40; ++pid) {
        streams.push_back({pid == 0x210 ? uint8_t{0x02} : uint8_t{0x81}, pid});
    }
    const TBytes pmt = PmtSection(1, 0x210, streams);
    const TBytes tail = {0xAB, 0xCD, 0xEF};
    TBytes unit = TBytes{static_cast<uint8_t>(tail.size())} + tail + pmt;
    uint8_t cc = 0, patCc = 0, pmt2Cc = 0;
    const TBytes file = TsPackets(0, patCc, WithPointerField(PatSection({{1, kPmtPid}, {2, 0x1001}}))) +
                        TsPackets(kPmtPid, cc, unit) +
                        TsPackets(0x1001, pmt2Cc, WithPointerField(PmtSection(2, 0x300, {{0x01, 0x300}})));
    const TDemuxed out = Demux(file);
    ASSERT_EQ(out.Info.Streams.size(), 2u);
    EXPECT_EQ(out.Info.Streams[0].Id, 0x210);
    EXPECT_EQ(out.Info.Streams[0].ProgramNumber, 1);
    EXPECT_EQ(out.Info.Streams[1].Id, 0x300);
    EXPECT_EQ(out.Info.Streams[1].StreamType, 0x01);
    EXPECT_EQ(ContainerChoiceKey(out.Info, 1), "transport_stream:0x0300");

    // A section with a wrong CRC is not believed.
    TBytes broken = PatSection({{1, kPmtPid}});
    broken[9] ^= 1;
    uint8_t c1 = 0, c2 = 0, c3 = 0;
    const TBytes badFile =
        TsPackets(0, c1, WithPointerField(broken)) +
        TsPackets(kPmtPid, c2, WithPointerField(PmtSection(1, kVideoPid, {{0x02, kVideoPid}}))) +
        TsPackets(kVideoPid, c3, PesPacket(0xE0, Payload(10, 0)));
    EXPECT_TRUE(Demux(badFile).Info.Streams.empty());
}

TEST(TransportStream, ReportsGapsScrambledAndCutPacketsAndGoesOn) {
    uint8_t patCc = 0, pmtCc = 0, cc = 0;
    const TBytes a = Payload(184 * 6 - 14, 1), b = Payload(300, 2), c = Payload(100, 3);
    const TBytes packets = TsPackets(kVideoPid, cc, PesPacket(0xE0, a));  // six packets
    auto packet = [&](int n) { return TBytes(packets.begin() + n * 188, packets.begin() + (n + 1) * 188); };
    uint8_t cc2 = cc + 1;  // the scrambled packet takes the counter value cc
    const TBytes pesB = TsPackets(kVideoPid, cc2, PesPacket(0xE0, b));  // two packets, the second cut short
    uint8_t cc3 = 0;  // after a discontinuity announced in an adaptation field
    const TBytes pesC1 = TsPackets(kVideoPid, cc3, PesPacket(0xE0, c));
    const TBytes pesC2 = TsPackets(kVideoPid, cc3, PesPacket(0xE0, c));
    TBytes discontinuity = TsPacket(kVideoPid, 9, false, {}, 183);
    discontinuity[5] = 0x80;
    const TBytes file = ProgramTables(patCc, pmtCc) + packet(0) + packet(1) + packet(1) /* duplicate */ +
                        packet(5) /* three missing */ +
                        TsPacket(kVideoPid, cc, false, Payload(184, 4), -1, 2) /* scrambled */ +
                        TBytes(pesB.begin(), pesB.begin() + 188) + discontinuity + pesC1 +
                        TBytes(200, 0x00) /* garbage */ + pesC2;
    const TDemuxed out = Demux(file);
    const size_t afterGap = 2 * 184 - 14;
    const TBytes lastPart(a.end() - 184, a.end());
    EXPECT_EQ(out.Video, TBytes(a.begin(), a.begin() + afterGap) + lastPart +
                             TBytes(b.begin(), b.begin() + 184 - 14) + c + c);
    const int64_t bEnd = static_cast<int64_t>(afterGap + 184 + 184 - 14);
    EXPECT_EQ(out.Messages,
              (std::vector<std::string>{
                  "3 TS packets missing before offset " + std::to_string(afterGap),
                  "1 scrambled TS packet skipped before offset " + std::to_string(afterGap + 184),
                  "PES packet cut short: 130 bytes missing before offset " + std::to_string(bEnd),
                  "200 bytes of unknown data skipped before offset " + std::to_string(bEnd + 100)}));
}

TEST(TransportStream, ReadsPacketsWithTimestampPrefixes) {
    uint8_t patCc = 0, pmtCc = 0, cc = 0;
    const TBytes a = Payload(1000, 7);
    const TBytes file = test::WithTimestampPrefixes(ProgramTables(patCc, pmtCc) +
                                                    TsPackets(kVideoPid, cc, PesPacket(0xE0, a)));
    const TDemuxed out = Demux(file);
    EXPECT_EQ(out.Info.Format.PacketSize, 192);
    EXPECT_EQ(out.Video, a);
    EXPECT_EQ(out.FileOffset, static_cast<int64_t>(file.size()));
}

// --- Skipping, as the tools will to copy ranges ----------------------------------------------------

TEST(ByteSource, SkipPassesOverExactlyWhatReadWouldHaveDelivered) {
    const TBytes a = Payload(3000, 1), b = Payload(2500, 2);
    uint8_t patCc = 0, pmtCc = 0, cc = 0;
    const std::vector<std::pair<const char*, TBytes>> files = {
        {"elementary", TBytes{0, 0, 1, 0xB3} + a + b},
        {"program stream",
         PackHeader(2) + PesPacket(0xE0, a) + PesPacket(0xC0, Payload(99, 0)) + PesPacket(0xE0, b)},
        {"transport stream", ProgramTables(patCc, pmtCc) + TsPackets(kVideoPid, cc, PesPacket(0xE0, a)) +
                                 TsPackets(kVideoPid, cc, PesPacket(0xE0, b))},
    };
    for (const auto& [name, bytes] : files) {
        const TBytes whole = Demux(bytes).Video;
        test::TempDir dir;
        test::WriteFileBytes(dir.File("input"), bytes);
        const TReadOnlyFile file(dir.File("input"));
        const TContainerInfo info = ProbeContainer(file.Fd(), dir.File("input"));
        for (const int64_t skip : {int64_t{0}, int64_t{1}, int64_t{2999}, int64_t{3004}, int64_t{5000}}) {
            const auto source = OpenVideoSource(file.Fd(), dir.File("input"), info, 0, nullptr);
            ASSERT_EQ(source->Skip(skip), skip) << name;
            TBytes rest(whole.size());
            rest.resize(static_cast<size_t>(source->Read(rest.data(), static_cast<int64_t>(rest.size()))));
            EXPECT_EQ(rest, TBytes(whole.begin() + skip, whole.end())) << name << " " << skip;
            EXPECT_EQ(source->Skip(10), 0) << name;
            EXPECT_EQ(source->FileOffset(), static_cast<int64_t>(bytes.size())) << name;
        }
    }
}

// --- Random round trip ----------------------------------------------------------------------------

// Random PES sizes, header syntaxes and adaptation fields, read back in random read sizes: the
// video must come out whole. The seed is printed so that a failure can be replayed.
TEST(ContainerRoundTrip, RandomPacketsGiveTheVideoBack) {
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 20; ++round) {
        TBytes video, ps = PackHeader(2), ts;
        uint8_t patCc = 0, pmtCc = 0, cc = 0, audioCc = 0;
        ts = ProgramTables(patCc, pmtCc);
        const bool mpeg1 = pick(0, 1) == 1;
        for (int n = pick(1, 12); n > 0; --n) {
            // One draw per statement: the order of the draws, and so a replay, must not depend on the
            // compiler's order of evaluating arguments.
            const size_t size = static_cast<size_t>(pick(1, 3000));
            const TBytes piece = Payload(size, static_cast<uint8_t>(pick(0, 255)));
            video = video + piece;
            const TPesOptions options{
                .Mpeg1 = mpeg1, .Stuffing = pick(0, mpeg1 ? 16 : 30), .Dts = pick(0, 1) == 1};
            const size_t audio = static_cast<size_t>(pick(1, 500));
            const int packStuffing = pick(0, 2) == 0 ? pick(0, 7) : -1;
            ps = ps + PesPacket(0xE0, piece, options) + PesPacket(0xC0, Payload(audio, 0)) +
                 (packStuffing >= 0 ? PackHeader(2, packStuffing) : TBytes{});
            const TBytes pes =
                PesPacket(0xE0, piece, {.Stuffing = options.Stuffing, .Unbounded = pick(0, 1) == 1});
            for (size_t at = 0; at < pes.size();) {
                const size_t n2 = std::min<size_t>(static_cast<size_t>(pick(1, 184)), pes.size() - at);
                const int adaptation = n2 == 184 ? -1 : static_cast<int>(183 - n2);
                if (pick(0, 4) == 0) {
                    ts = ts + TsPacket(kVideoPid, cc, false, {}, 183);  // adaptation only: no count
                }
                ts = ts + TsPacket(kVideoPid, cc, at == 0, TBytes(pes.begin() + at, pes.begin() + at + n2),
                                   adaptation);
                cc = (cc + 1) & 0x0F;
                at += n2;
                if (pick(0, 3) == 0) {
                    ts = ts + TsPacket(kAudioPid, audioCc++, false, Payload(184, 1));
                }
            }
        }
        const int64_t readSize = pick(1, 5000);
        const TDemuxed fromPs = Demux(ps, 0, readSize);
        const TDemuxed fromTs = Demux(ts, 0, readSize);
        ASSERT_EQ(fromPs.Video, video) << "program stream, round " << round;
        ASSERT_EQ(fromTs.Video, video) << "transport stream, round " << round;
        EXPECT_TRUE(fromPs.Messages.empty() && fromTs.Messages.empty()) << round;
    }
}

}  // namespace
}  // namespace velmora
