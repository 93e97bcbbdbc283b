#include "tools/range_cut.h"

#include "tools/file_copy.h"

namespace velmora {

TToolStatus CutRange(const std::string& Source, const std::string& Target, int64_t Start, int64_t Finish) {
    if (Finish < Start) {
        return TToolStatus::Failure("the finish (byte " + std::to_string(Finish) +
                                    ") lies before the start (byte " + std::to_string(Start) + ")");
    }
    return CopyData(Source, Target, Start, Finish - Start);
}

bool CutRangeWithLog(const std::string& Source, const std::string& Target, int64_t Start, int64_t Finish,
                     ILogSink* Log) {
    const TToolStatus status = CutRange(Source, Target, Start, Finish);
    if (Log != nullptr) {
        if (status) {
            Log->AddLog(logkind::Information,
                        "Cut to file " + Target + " is finished: " + std::to_string(Finish - Start) +
                            " bytes written.",
                        colour::Blue);
        } else {
            Log->AddLog(logkind::Error, "Cut to file " + Target + " failed: " + status.Reason + "!",
                        colour::Red);
        }
    }
    return status.Ok;
}

}  // namespace velmora
