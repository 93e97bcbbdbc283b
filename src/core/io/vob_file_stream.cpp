#include "io/vob_file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora {

TVobFileStream::TVobFileStream(const std::string& FileName, int32_t Mode, bool Buffered)
    : FMode(Mode), FBuffered(Buffered), FFileName(FileName) {
    if (FBuffered) {
        FBufferSize = kWriteBufferSize;
        FBuffer = std::make_unique_for_overwrite<uint8_t[]>(FBufferSize);
    }
    if (FMode & kModeWrite) {
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

void TVobFileStream::WriteToFile(const uint8_t* Data, int64_t Count) {
    if (FHandle < 0) {
        FFailed = true;
        return;
    }
    while (Count > 0) {
        const ssize_t done = ::write(FHandle, Data, Count);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            FFailed = true;
            return;
        }
        Data += done;
        Count -= done;
    }
}

void TVobFileStream::Flush() {
    if (FPosition > 0) {
        WriteToFile(FBuffer.get(), FPosition);
        FPosition = 0;
    }
}

void TVobFileStream::Write(const void* Data, int32_t Count) {
    if (Count <= 0) {
        return;
    }
    const auto* bytes = static_cast<const uint8_t*>(Data);
    if (!FBuffered) {
        WriteToFile(bytes, Count);
        return;
    }
    if (Count > FBufferSize - FPosition) {
        Flush();
    }
    if (Count > FBufferSize) {
        // Larger than the whole buffer: the pending bytes are already out, so order is kept.
        WriteToFile(bytes, Count);
        return;
    }
    std::memcpy(FBuffer.get() + FPosition, bytes, Count);
    FPosition += Count;
}

int32_t TVobFileStream::Read(void* Data, int32_t Count) {
    int32_t done = 0;
    while (FHandle >= 0 && done < Count) {
        const ssize_t got = ::read(FHandle, static_cast<uint8_t*>(Data) + done, Count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<int32_t>(got);
    }
    if (done < Count) {
        FEndOfFile = true;
    }
    return done;
}

bool TVobFileStream::Close() {
    if (FMode & kModeWrite) {
        Flush();
    }
    if (FHandle >= 0) {
        if (::close(FHandle) != 0 && (FMode & kModeWrite)) {
            FFailed = true;
        }
        FHandle = -1;
    }
    FBuffer.reset();
    FBufferSize = 0;
    return !FFailed;
}

}  // namespace velmora
