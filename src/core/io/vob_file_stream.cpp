// The buffered file stream of the analysis cache, over POSIX file calls.
#include "io/vob_file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora {

TVobFileStream::TVobFileStream(const std::string& FileName, int32_t Mode, bool Buffered)
    : FMode(Mode), FFileName(FileName) {
    if (Buffered) {
        FBufferSize = kBufferSize;
        FBuffer = std::make_unique<uint8_t[]>(kBufferSize);
    }
    if ((Mode & 1) != 0) {
        FHandle = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        FFailed = FHandle < 0;
    } else {
        FHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
        if (FHandle < 0) {
            throw EVOBException();
        }
    }
}

TVobFileStream::~TVobFileStream() {
    Close();
}

void TVobFileStream::Flush() {
    const uint8_t* p = FBuffer.get();
    int32_t left = FPosition;
    FPosition = 0;
    while (left > 0 && FHandle >= 0) {
        const ssize_t n = ::write(FHandle, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            FFailed = true;
            return;
        }
        p += n;
        left -= static_cast<int32_t>(n);
    }
}

void TVobFileStream::Write(const void* Data, int32_t Count) {
    if (FHandle < 0 || Count <= 0) {
        return;
    }
    if (FBufferSize == 0 || Count > FBufferSize) {
        if (FBufferSize != 0) {
            Flush();
        }
        const uint8_t* p = static_cast<const uint8_t*>(Data);
        while (Count > 0) {
            const ssize_t n = ::write(FHandle, p, static_cast<size_t>(Count));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                FFailed = true;
                return;
            }
            p += n;
            Count -= static_cast<int32_t>(n);
        }
        return;
    }
    if (Count > FBufferSize - FPosition) {
        Flush();
    }
    std::memcpy(FBuffer.get() + FPosition, Data, static_cast<size_t>(Count));
    FPosition += Count;
}

int32_t TVobFileStream::Read(void* Data, int32_t Count) {
    if (FHandle < 0 || Count <= 0) {
        return 0;
    }
    int32_t got = 0;
    uint8_t* p = static_cast<uint8_t*>(Data);
    while (got < Count) {
        const ssize_t n = ::read(FHandle, p + got, static_cast<size_t>(Count - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<int32_t>(n);
    }
    if (got < Count) {
        FEndOfFile = true;
    }
    return got;
}

void TVobFileStream::Close() {
    if (FHandle < 0) {
        return;
    }
    if ((FMode & 1) != 0 && FBufferSize != 0) {
        Flush();
    }
    if (::close(FHandle) != 0 && (FMode & 1) != 0) {
        FFailed = true;
    }
    FHandle = -1;
    FBuffer.reset();
}

}  // namespace velmora
