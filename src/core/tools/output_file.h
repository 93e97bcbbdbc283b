// A new file written beside its target under a temporary name and renamed over the target only when
// complete, so a failed write never leaves a half-written file where a good one stood.
#pragma once

#include <string>

#include "tools/file_handle.h"
#include "tools/tool_status.h"

namespace velmora {

class TOutputFile {
  public:
    // Creates the temporary file in Target's folder; Status() tells why when it could not.
    explicit TOutputFile(const std::string& Target);
    // Removes the temporary file unless Commit succeeded.
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    const TToolStatus& Status() const { return status_; }
    int fd() const { return file_.get(); }
    const std::string& Target() const { return target_; }

    // Closes the file and renames it over the target. Refuses a target locked by another open file
    // (a stream being analysed) or one we may not write; an existing target keeps its permissions.
    TToolStatus Commit();

  private:
    std::string target_;  // symbolic links resolved, so the file they point at is replaced
    std::string temp_;
    TFileHandle file_;
    TToolStatus status_;
    bool committed_ = false;
};

// True when both names exist and are the same file (also through links).
bool SameFile(const std::string& A, const std::string& B);

}  // namespace velmora
