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

struct TGopCutResult {
    bool NoHeaderList = false;  // the run built no header list: nothing was done
    bool Aborted = false;
    bool SourceFailed = false;  // the file could not be read, or is shorter than analysed: nothing done
    int64_t Pieces = 0;         // GOP files attempted
    int64_t FailedPieces = 0;

    bool Ok() const { return !NoHeaderList && !Aborted && !SourceFailed && FailedPieces == 0; }
};

// Cuts FileName (FileSize bytes, as analysed; refused when it is shorter now) at the GOP starts of Headers: a
// picture entry that directly follows a GOP entry starts a GOP at its file_position. Piece 1 also holds
// whatever precedes the second GOP, the last runs to FileSize. Headers gets two end markers for the run and
// loses them afterwards. Logs its progress and outcome through Hooks; pumps Hooks.Yield at each GOP start and
// stops after the current entry when it sets *Hooks.FUserAbort.
TGopCutResult CutAllGops(const std::string& FileName, int64_t FileSize, THeaderList& Headers,
                         const TToolHooks& Hooks);
TGopCutResult CutAllGops(TM2VStream& Stream, const TToolHooks& Hooks);

}  // namespace velmora
