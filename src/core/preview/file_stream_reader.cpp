#include "preview/file_stream_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "preview/preview_error.h"

namespace velmora {
namespace {

std::string ShortName(const std::string& FileName) {
    return std::filesystem::path(FileName).filename().string();
}

}  // namespace

TFileStreamReader::TFileStreamReader(const std::string& FileName) : name_(FileName) {
    fd_ = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw EPreviewError("Can not open file " + ShortName(FileName) + ": " + std::strerror(errno));
    }
}

TFileStreamReader::~TFileStreamReader() {
    ::close(fd_);
}

size_t TFileStreamReader::Read(int64_t Offset, std::span<uint8_t> Buffer) {
    size_t done = 0;
    while (done < Buffer.size()) {
        const ssize_t n = ::pread(fd_, Buffer.data() + done, Buffer.size() - done, Offset + done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EPreviewError("Can not read file " + ShortName(name_) + ": " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace velmora
