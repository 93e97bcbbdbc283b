// "Cut all GOPs": every group of pictures of the analysed file to a file of its own, beside it.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/header_list.h"
#include "tools/tool_hooks.h"

namespace velmora {

class TM2VStream;

// Name of GOP piece Number: the file's name without its extension, "_GOP", the number padded to five
// digits, and the extension, in the file's own folder (movie.m2v -> movie_GOP00001.m2v).
std::string GopPieceName(const std::string& FileName, int64_t Number);

// More pieces than this are written only when asked for: a flood of GOP headers would fill a folder.
constexpr int64_t kMaxGopPieces = 100000;

struct TGopCutResult {
    bool NoHeaderList = false;  // the run built no header list: nothing was done
    bool Aborted = false;
    bool SourceFailed = false;   // the file is unreadable or no longer as analysed: nothing done
    bool TooManyPieces = false;  // more than MaxPieces GOPs: nothing done
    int64_t Pieces = 0;          // GOP files attempted
    int64_t FailedPieces = 0;

    bool Ok() const {
        return !NoHeaderList && !Aborted && !SourceFailed && !TooManyPieces && FailedPieces == 0;
    }
};

// Cuts FileName (FileSize bytes, as analysed; refused when it is shorter now) at the GOP starts of Headers: a
// picture entry that directly follows a GOP entry starts a GOP at its cut position (see TCutPositions; a file
// whose start codes do not match the list is refused before any piece is written). Piece 1 also holds
// whatever precedes the second GOP, the last runs to FileSize. Headers gets two end markers for the run and
// loses them afterwards. Logs its progress and outcome through Hooks; pumps Hooks.Yield at each GOP start and
// stops after the current entry when it sets *Hooks.FUserAbort. A stream of more than MaxPieces GOPs is
// refused before any file is written. Pieces are names made up here: a link at one is not followed.
TGopCutResult CutAllGops(const std::string& FileName, int64_t FileSize, THeaderList& Headers,
                         const TToolHooks& Hooks, int64_t MaxPieces = kMaxGopPieces);
TGopCutResult CutAllGops(TM2VStream& Stream, const TToolHooks& Hooks, int64_t MaxPieces = kMaxGopPieces);

}  // namespace velmora
