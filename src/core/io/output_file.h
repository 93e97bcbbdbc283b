// A new file written beside its target under a temporary name and renamed over the target only when
// complete, so a failed write never leaves a half-written file where a good one stood.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// What a target name stands for before it is written: links resolved, so the file they point at is
// the one replaced, and what is there now.
struct TTargetFile {
    std::string Name;  // as given, for messages
    std::string Path;  // the file actually written
    bool Exists = false;
    bool Regular = false;
    bool Directory = false;
    uint64_t Device = 0;
    uint64_t Inode = 0;
};

TTargetFile InspectTarget(const std::string& Target);

class TOutputFile {
  public:
    // Creates the temporary file in the target's folder; Ok() and Error() tell whether it could be.
    // Only a regular file or a new name is a target: a folder or a device is refused.
    explicit TOutputFile(const std::string& Target);
    explicit TOutputFile(const TTargetFile& Target);
    // Removes the temporary file unless Commit succeeded.
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    bool Ok() const { return error_.empty(); }
    // Why it failed, worded for a log line: "can not write NAME: No space left on device".
    const std::string& Error() const { return error_; }
    int fd() const { return fd_; }
    // The temporary file, for writers that open it by name; it exists until Commit or destruction.
    const std::string& TemporaryName() const { return temp_; }

    // Appends Bytes at the file's current offset; false (with Error) when a write fails.
    bool Write(std::string_view Bytes);

    // Renames the file over the target. A replaced target is flushed to disk first, keeps its
    // permissions, and is refused while another open file holds its lock (a stream being analysed) or
    // when we may not write it. False with Error on any failure; the target is then as it was.
    bool Commit();

  private:
    bool Fail(const char* action, const std::string& reason);
    bool ReplaceExisting();
    void CloseHandle();

    TTargetFile target_;
    std::string temp_;
    int fd_ = -1;
    std::string error_;
    bool committed_ = false;
};

// True when both names exist and are the same file (also through links).
bool SameFile(const std::string& A, const std::string& B);

// Writes Contents to FileName through a TOutputFile; a device or pipe (/dev/stdout) is written in
// place. Throws std::runtime_error naming FileName and the reason; on failure an existing FileName is
// untouched and no temporary file is left.
void WriteFileAtomically(const std::string& FileName, std::string_view Contents);

}  // namespace velmora
