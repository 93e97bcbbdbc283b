// A new file written beside its target, unnamed where the file system allows it, and put in place only
// when complete, so a failed write never leaves a half-written file where a good one stood.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// How a target's name is taken. A name the user gave follows its links, so the file they point at is
// the one replaced; a name the program makes up (the cache, GOP pieces) is never followed, and a link
// there is refused.
enum class TLinks { Follow, Refuse };

// What a target name stands for before it is written, and what is there now.
struct TTargetFile {
    std::string Name;  // as given, for messages
    std::string Path;  // the file actually written
    TLinks Links = TLinks::Follow;
    bool Exists = false;
    bool Link = false;  // a symbolic link that is not followed
    bool Regular = false;
    bool Directory = false;
    uint64_t Device = 0;
    uint64_t Inode = 0;
};

TTargetFile InspectTarget(const std::string& Target, TLinks Links = TLinks::Follow);

class TOutputFile {
  public:
    // Creates the temporary file in the target's folder (with O_TMPFILE where the file system allows
    // it, so that even a killed program leaves nothing); Ok() and Error() tell whether it could be.
    // Only a regular file or a new name is a target: a folder, a device or a refused link is not.
    explicit TOutputFile(const std::string& Target);
    explicit TOutputFile(const TTargetFile& Target);
    // Removes the temporary file unless Commit succeeded.
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    bool Ok() const { return error_.empty(); }
    // Why it failed, worded for a log line: "can not write NAME: No space left on device".
    const std::string& Error() const { return error_; }
    // The reason alone: "No space left on device".
    const std::string& Reason() const { return reason_; }
    int fd() const { return fd_; }
    // The temporary file, for writers that open it by name; it exists until Commit or destruction.
    const std::string& TemporaryName() const { return temp_.empty() ? unnamed_ : temp_; }

    // Appends Bytes at the file's current offset; false (with Error) when a write fails.
    bool Write(std::string_view Bytes);

    // Puts the file in place under the target's name. A replaced target is flushed to disk first,
    // keeps its permissions, and is refused while another open file holds its lock (a stream being
    // analysed) or when we may not write it. False with Error on any failure; the target is then as it
    // was.
    bool Commit();

  private:
    bool Fail(const char* action, const std::string& reason);
    bool CreateUnnamed(const std::string& folder);
    bool CreateNamed(int attempts);
    bool LinkUnnamed();
    bool ReplaceExisting();
    void ForgetTemporaryName();
    void CloseHandle();

    TTargetFile target_;
    std::string temp_;     // the named temporary file, when there is one
    std::string unnamed_;  // /proc/self/fd/N of an unnamed one
    int registration_ = -1;
    int fd_ = -1;
    std::string error_;
    std::string reason_;
    bool committed_ = false;
};

// For tests: make named temporary files, as on a file system without O_TMPFILE.
void UseNamedTemporaryFiles(bool Named);

// True when both names exist and are the same file (also through links).
bool SameFile(const std::string& A, const std::string& B);

// Writes Contents to FileName through a TOutputFile; a device or pipe (/dev/stdout) is written in
// place. Refuses a FileName that is the file Source (a stream the contents describe). Throws
// std::runtime_error naming FileName and the reason; on failure an existing FileName is untouched and
// no temporary file is left.
void WriteFileAtomically(const std::string& FileName, std::string_view Contents,
                         const std::string& Source = {});

}  // namespace velmora
