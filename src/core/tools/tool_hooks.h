// What a long-running tool reports to and takes from its caller: log lines, progress, a yield that
// keeps the window responsive, and the caller's abort flag (set from inside the yield).
#pragma once

#include <functional>
#include <string>

#include "common/log_sink.h"
#include "common/progress_sink.h"

namespace velmora {

struct TToolHooks {
    ILogSink* Log = nullptr;
    IProgressSink* Progress = nullptr;
    std::function<void()> Yield;
    bool* FUserAbort = nullptr;

    void AddLog(int kind, const std::string& text, TColour colour) const {
        if (Log != nullptr) {
            Log->AddLog(kind, text, colour);
        }
    }
    bool Aborted() const { return FUserAbort != nullptr && *FUserAbort; }
};

}  // namespace velmora
