// A small byte stream over one file, for reading or for writing through an optional 1 MiB buffer;
// the analysis cache is written and read through it.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace velmora {

// Raised when a file cannot be opened for reading.
class EVOBException : public std::runtime_error {
  public:
    EVOBException() : std::runtime_error("Error while opening file.") {}
};

class TVobFileStream {
  public:
    static constexpr int32_t kModeRead = 0;
    static constexpr int32_t kModeWrite = 1;
    static constexpr int32_t kWriteBufferSize = 1048576;

    // Mode bit 0 set: write. An existing file is neither truncated nor appended to: writing starts at
    // offset 0 and bytes beyond the last one written stay. A file that cannot be opened or created for
    // writing is not raised; the stream then reports Failed(). Otherwise read: a file that cannot be
    // opened raises EVOBException.
    TVobFileStream(const std::string& FileName, int32_t Mode, bool Buffered);
    // Closes as Close does; call Close to learn whether the written data reached the file.
    ~TVobFileStream();
    TVobFileStream(const TVobFileStream&) = delete;
    TVobFileStream& operator=(const TVobFileStream&) = delete;

    void Write(const void* Data, int32_t Count);
    // Reads up to Count bytes; a short count sets FEndOfFile.
    int32_t Read(void* Data, int32_t Count);
    // Writes the pending buffer (write mode) and closes the file. True when every byte written so far
    // reached the file; false after a failed open, write or close. Later calls only repeat the answer.
    bool Close();

    // True once opening for writing, a write or the close has failed.
    bool Failed() const { return FFailed; }
    // Bytes waiting in the write buffer.
    int32_t PendingBytes() const { return FPosition; }
    const std::string& FileName() const { return FFileName; }
    // The open file, for reading it ahead from the current offset; -1 once closed.
    int Handle() const { return FHandle; }

    bool FEndOfFile = false;

  private:
    void WriteToFile(const uint8_t* Data, int64_t Count);
    void Flush();

    int FHandle = -1;
    std::unique_ptr<uint8_t[]> FBuffer;
    int32_t FBufferSize = 0;
    int32_t FPosition = 0;
    int32_t FMode = kModeRead;
    bool FBuffered = false;
    bool FFailed = false;
    std::string FFileName;
};

}  // namespace velmora
