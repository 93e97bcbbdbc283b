#include "tools/gop_cut.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "analysis/records.h"
#include "text/time_code.h"
#include "tools/cut_positions.h"
#include "tools/file_copy.h"
#include "tools/picture_entries.h"

namespace velmora {

namespace {

// A whole folder of failures (say, a read-only one) would otherwise flood the log with one line per GOP.
constexpr int64_t kListedFailures = 10;

// Appends the two end markers that make the last GOP run to the end of the file, and takes them off
// again however the cut ends.
class TEndMarkers {
  public:
    TEndMarkers(THeaderList& headers, int64_t fileSize) : headers_(headers) {
        headers_.AppendEmpty(kind::GopHeader);
        TPictureHeaderRecord end{};
        end.file_position = fileSize;
        headers_.Append(kind::PictureHeader, end);
    }
    ~TEndMarkers() {
        headers_.PopBack();
        headers_.PopBack();
    }
    TEndMarkers(const TEndMarkers&) = delete;
    TEndMarkers& operator=(const TEndMarkers&) = delete;

  private:
    THeaderList& headers_;
};

// Puts the caller's progress display back as it was when the cut started.
class TProgressRestore {
  public:
    explicit TProgressRestore(IProgressSink* progress) : progress_(progress) {
        if (progress_ != nullptr) {
            max_ = progress_->Max();
            min_ = progress_->Min();
            position_ = progress_->Position();
        }
    }
    ~TProgressRestore() {
        if (progress_ != nullptr) {
            progress_->SetPosition(0);
            progress_->SetMax(max_);
            progress_->SetMin(min_);
            progress_->SetPosition(position_);
        }
    }
    TProgressRestore(const TProgressRestore&) = delete;
    TProgressRestore& operator=(const TProgressRestore&) = delete;

  private:
    IProgressSink* progress_;
    int64_t max_ = 0, min_ = 0, position_ = 0;
};

std::string PadNumber(int64_t value) {
    // Numbers past 32 bits already have more than five digits.
    return value <= UINT32_MAX ? ZeroPad(static_cast<uint32_t>(value), 5) : std::to_string(value);
}

// A GOP starts at the first picture after a GOP header; user data, extensions and foreign codes listed
// between the two do not hide it.
class TGopStarts {
  public:
    bool Next(const THeaderList& headers, int64_t i) {
        if (headers.Kind(i) == kind::GopHeader) {
            afterGop_ = true;
        } else if (IsPictureEntry(headers[i])) {
            const bool start = afterGop_;
            afterGop_ = false;
            return start;
        }
        return false;
    }

  private:
    bool afterGop_ = false;
};

// The pieces a cut writes: one per GOP start but the first (the end markers make the last one).
int64_t CountPieces(const THeaderList& headers) {
    TGopStarts starts;
    int64_t count = 0;
    for (int64_t i = 0; i < headers.size(); ++i) {
        count += starts.Next(headers, i) ? 1 : 0;
    }
    return count > 0 ? count - 1 : 0;
}

struct TGopBound {
    int64_t Entry;     // the picture entry that starts the GOP
    int64_t Position;  // where its piece begins
};

// The cut positions of the GOP starts of headers, the end marker's being the file's size; false when the
// file does not hold the start codes the list describes.
bool FindGopBounds(const std::string& fileName, int64_t fileSize, const THeaderList& headers,
                   std::vector<TGopBound>& bounds) {
    TCutPositions positions(fileName, headers);
    TGopStarts starts;
    for (int64_t i = 0; i < headers.size(); ++i) {
        if (!starts.Next(headers, i)) {
            continue;
        }
        const bool endMarker = i + 1 == headers.size();
        const std::optional<int64_t> position =
            endMarker ? std::optional<int64_t>(fileSize) : positions.At(i);
        if (!position) {
            return false;
        }
        bounds.push_back({i, *position});
    }
    return true;
}

}  // namespace

std::string GopPieceName(const std::string& FileName, int64_t Number) {
    const std::filesystem::path path(FileName);
    std::string name = path.stem().string() + "_GOP" + PadNumber(Number) + path.extension().string();
    return (path.parent_path() / name).string();
}

TGopCutResult CutAllGops(const std::string& FileName, int64_t FileSize, THeaderList& Headers,
                         const TToolHooks& Hooks, int64_t MaxPieces) {
    TGopCutResult result;
    if (Headers.empty()) {
        Hooks.AddLog(logkind::Information,
                     "You must be in \"Show tree\" processing mode for using this tool.", colour::DarkBlue);
        result.NoHeaderList = true;
        return result;
    }
    TProgressRestore progressRestore(Hooks.Progress);
    if (Hooks.FUserAbort != nullptr) {
        *Hooks.FUserAbort = false;
    }
    TEndMarkers markers(Headers, FileSize);
    if (const int64_t pieces = CountPieces(Headers); pieces > MaxPieces) {
        Hooks.AddLog(logkind::Error,
                     "GOP cutting refused: it would create " + std::to_string(pieces) +
                         " files with GOPs, more than " + std::to_string(MaxPieces) + "!",
                     colour::Red);
        result.TooManyPieces = true;
        return result;
    }
    if (Hooks.Progress != nullptr) {
        Hooks.Progress->SetMax(Headers.size());
        Hooks.Progress->SetMin(0);
        Hooks.Progress->SetPosition(0);
    }
    Hooks.AddLog(logkind::Information, "Starting GOP cutting...", colour::DarkBlue);

    TRangeCopier source(FileName);
    if (TToolStatus usable = source.RequireSize(FileSize); !usable) {
        // One line says it all: every piece would fail for the same reason.
        Hooks.AddLog(logkind::Error, "GOP cutting failed: " + usable.Reason + "!", colour::Red);
        result.SourceFailed = true;
        return result;
    }
    // Every bound is found before the first piece is written: a file that no longer matches its analysis
    // leaves no pieces behind.
    std::vector<TGopBound> bounds;
    if (!FindGopBounds(FileName, FileSize, Headers, bounds)) {
        Hooks.AddLog(logkind::Error,
                     "GOP cutting failed: the start codes of " + FileName + " do not match its analysis!",
                     colour::Red);
        result.SourceFailed = true;
        return result;
    }
    int64_t pieceStart = 0;
    for (size_t b = 0; b < bounds.size(); ++b) {
        if (b > 0) {
            const int64_t pieceEnd = bounds[b].Position;
            const TByteRange piece{pieceStart, pieceEnd - pieceStart};
            const int64_t number = static_cast<int64_t>(b);
            const TToolStatus written =
                WriteRanges(source, GopPieceName(FileName, number), std::span(&piece, 1), TLinks::Refuse);
            ++result.Pieces;
            if (!written) {
                ++result.FailedPieces;
                if (result.FailedPieces <= kListedFailures) {
                    Hooks.AddLog(
                        logkind::Error,
                        "GOP file " + std::to_string(number) + " is not written: " + written.Reason + "!",
                        colour::Red);
                }
            }
            pieceStart = pieceEnd;
        }
        if (Hooks.Progress != nullptr) {
            Hooks.Progress->SetPosition(bounds[b].Entry + 1);
        }
        if (Hooks.Yield) {
            Hooks.Yield();
        }
        if (Hooks.Aborted()) {
            result.Aborted = true;
            break;
        }
    }

    if (result.Aborted) {
        Hooks.AddLog(logkind::Error, "Current operation aborted by user!", colour::Red);
    } else if (result.FailedPieces > 0) {
        Hooks.AddLog(logkind::Error,
                     "GOP cutting failed: " + std::to_string(result.FailedPieces) + " of " +
                         std::to_string(result.Pieces) + " files with GOPs could not be written.",
                     colour::Red);
    } else {
        Hooks.AddLog(
            logkind::Information,
            "GOP cutting is finished: " + std::to_string(result.Pieces) + " files with GOPs was created.",
            colour::DarkBlue);
    }
    return result;
}

TGopCutResult CutAllGops(TM2VStream& Stream, const TToolHooks& Hooks, int64_t MaxPieces) {
    return CutAllGops(Stream.FFileName, Stream.FFileSize, Stream.FHeaders, Hooks, MaxPieces);
}

}  // namespace velmora
