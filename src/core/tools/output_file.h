// A new file written beside its target under a temporary name and renamed over the target only when
// complete, so a failed write never leaves a half-written file where a good one stood.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/file_handle.h"
#include "tools/tool_status.h"

namespace velmora {

// What a target name stands for before it is written: links resolved, so the file they point at is
// the one replaced, and the identity of an existing file.
struct TTargetFile {
    std::string Path;
    bool Exists = false;
    uint64_t Device = 0;
    uint64_t Inode = 0;
};

TTargetFile InspectTarget(const std::string& Target);

class TOutputFile {
  public:
    // Creates the temporary file in the target's folder; Status() tells why when it could not.
    explicit TOutputFile(const TTargetFile& Target);
    // Removes the temporary file unless Commit succeeded.
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    const TToolStatus& Status() const { return status_; }
    int fd() const { return file_.get(); }

    // Closes the file and renames it over the target. Refuses a target locked by another open file
    // (a stream being analysed) or one we may not write; an existing target keeps its permissions.
    TToolStatus Commit();

  private:
    TToolStatus ReplaceExisting();

    TTargetFile target_;
    std::string temp_;
    TFileHandle file_;
    TToolStatus status_;
    bool committed_ = false;
};

// True when both names exist and are the same file (also through links).
bool SameFile(const std::string& A, const std::string& B);

}  // namespace velmora
