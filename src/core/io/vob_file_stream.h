// A small byte stream over one file for the analysis cache: read, or write through an optional
// one-megabyte buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace velmora {

// Raised when a file cannot be opened for reading ("Error while opening file.").
class EVOBException : public std::runtime_error {
  public:
    EVOBException() : std::runtime_error("Error while opening file.") {}
};

class TVobFileStream {
  public:
    static constexpr int32_t kBufferSize = 1048576;

    // Mode bit 0 set: write, starting at offset 0 of an existing file (not truncated) or of a new one;
    // a failure to open for writing is remembered in Failed(). Otherwise read an existing file,
    // throwing EVOBException when it cannot be opened.
    TVobFileStream(const std::string& FileName, int32_t Mode, bool Buffered);
    ~TVobFileStream();
    TVobFileStream(const TVobFileStream&) = delete;
    TVobFileStream& operator=(const TVobFileStream&) = delete;

    void Write(const void* Data, int32_t Count);
    // Reads up to Count bytes; returns how many arrived (0 at the end of the file).
    int32_t Read(void* Data, int32_t Count);
    // Flushes pending bytes and closes the file; further calls do nothing.
    void Close();

    // True once opening for writing or any write has failed.
    bool Failed() const { return FFailed; }
    bool FEndOfFile = false;

  private:
    void Flush();

    int FHandle = -1;
    std::unique_ptr<uint8_t[]> FBuffer;
    int32_t FBufferSize = 0;
    int32_t FPosition = 0;
    int32_t FMode = 0;
    bool FFailed = false;
    std::string FFileName;
};

}  // namespace velmora
