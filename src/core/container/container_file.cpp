#include "container/container_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "container/elementary_source.h"
#include "container/program_stream.h"
#include "container/transport_stream.h"

namespace velmora {

namespace {

std::vector<uint8_t> ReadHead(int Fd, const std::string& FileName) {
    std::vector<uint8_t> head(kDetectBytes);
    size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::pread(Fd, head.data() + got, head.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EContainerReadError("Unable to read from file " + FileName + ": " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    head.resize(got);
    return head;
}

std::string Hex(int32_t Value, int Digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", Digits, static_cast<unsigned>(Value));
    return text;
}

}  // namespace

TContainerInfo ProbeContainer(int Fd, const std::string& FileName) {
    TContainerInfo info;
    const std::vector<uint8_t> head = ReadHead(Fd, FileName);
    info.Format = DetectContainer(head.data(), head.size());
    switch (info.Format.Kind) {
        case TContainerKind::Elementary:
            info.Streams.push_back({});
            break;
        case TContainerKind::ProgramStream: {
            TProgramStreamSource walker(Fd, info.Format.FirstPacket, FileName, -1, nullptr);
            walker.Walk(info.Format.FirstPacket + kVideoProbeBytes);
            for (const uint8_t id : walker.VideoStreamIds()) {
                info.Streams.push_back({id, 0, 0});
            }
            break;
        }
        case TContainerKind::TransportStream:
            for (const TTransportVideo& video :
                 ListTransportVideo(Fd, info.Format.FirstPacket, FileName, info.Format.PacketSize,
                                    info.Format.FirstPacket + kVideoProbeBytes)) {
                info.Streams.push_back({video.Pid, video.StreamType, video.ProgramNumber});
            }
            break;
        case TContainerKind::Unknown:
            break;
    }
    return info;
}

std::unique_ptr<IByteSource> OpenVideoSource(int Fd, const std::string& FileName, const TContainerInfo& Info,
                                             size_t Index, TContainerLog Log) {
    const TVideoStream& stream = Info.Streams.at(Index);
    switch (Info.Format.Kind) {
        case TContainerKind::ProgramStream:
            return std::make_unique<TProgramStreamSource>(Fd, Info.Format.FirstPacket, FileName, stream.Id,
                                                          std::move(Log));
        case TContainerKind::TransportStream:
            return std::make_unique<TTransportStreamSource>(Fd, Info.Format.FirstPacket, FileName,
                                                            Info.Format.PacketSize,
                                                            static_cast<uint16_t>(stream.Id), std::move(Log));
        case TContainerKind::Elementary:
        case TContainerKind::Unknown:
            break;
    }
    return std::make_unique<TElementarySource>(Fd, 0, FileName);
}

std::string DescribeVideoStream(TContainerKind Kind, const TVideoStream& Stream) {
    switch (Kind) {
        case TContainerKind::ProgramStream:
            return "stream id " + Hex(Stream.Id, 2);
        case TContainerKind::TransportStream:
            return "PID " + std::to_string(Stream.Id) + " (" + Hex(Stream.Id, 4) + "), program " +
                   std::to_string(Stream.ProgramNumber) +
                   (Stream.StreamType == 0x01 ? ", MPEG-1 video" : ", MPEG-2 video");
        case TContainerKind::Elementary:
        case TContainerKind::Unknown:
            break;
    }
    return "elementary stream";
}

std::string ContainerChoiceKey(const TContainerInfo& Info, size_t Index) {
    std::string key(ContainerName(Info.Format.Kind));
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on ":" + a temporary string here.
    if (Info.Format.Kind == TContainerKind::ProgramStream) {
        key.append(":").append(Hex(Info.Streams.at(Index).Id, 2));
    } else if (Info.Format.Kind == TContainerKind::TransportStream) {
        key.append(":").append(Hex(Info.Streams.at(Index).Id, 4));
    }
    return key;
}

TReadOnlyFile::TReadOnlyFile(const std::string& FileName) {
    // Non-blocking so that a FIFO named by mistake cannot stall the open; only regular files pass.
    fd_ = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw EContainerReadError("Unable to open file " + FileName + " for reading.");
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

TReadOnlyFile::~TReadOnlyFile() {
    ::close(fd_);
}

}  // namespace velmora
