// ParseStream: the cache decision, the start-code driven scan in the order of the video sequence
// syntax, and the closing statistics.
#include <cmath>

#include "analysis/m2v_stream.h"
#include "io/output_file.h"
#include "io/vob_file_stream.h"
#include "text/rounding.h"

namespace velmora {

namespace {
// Pictures between two yields while no GOP header has come (about ten seconds of video at 25 fps).
constexpr int kPicturesPerYieldWithoutGop = 256;
}  // namespace

void TM2VStream::ResetRunState() {
    FAborted = false;
    FGopCount = 0;
    FSequenceHeaderCount = 0;
    FSequenceEndCount = 0;
    FPictureCount = 0;
    FGopPictureCount = 0;
    FFieldCount = 0;
    FDisplayedFrames = 0;
    FFrameCount = 0;
    FRepeatedIndexCount = 0;
    FPicturesInGop = 0;
    FPicturesInStream = 0;
    FMaxBitRate = 0;
    FMinBitRate = 0;
    FBitRateSum = 0;
    FUnformattedBlocks.clear();
    FUnformattedCount = 0;
    FDisplayIndexMap.clear();
    FFirstSequencePending = true;
    FFirstExtensionPending = true;
    FPanScan = false;
    FDisplayExtSeen = false;
    FRefWidth = 0;
    FDisplayWidth = 0;
    FDisplayHeight = 0;
    FPrevPictureType = 0;
    FPrevPrevPictureType = 0;
}

void TM2VStream::ReportProgress() {
    if (FProgressBar == nullptr) {
        return;
    }
    const int64_t p = RoundHalfEven(static_cast<double>(FReader->FRefillCount) * 0.85);
    if (p <= FProgressBar->Max()) {
        FProgressBar->SetPosition(p);
    }
}

void TM2VStream::ParseStream(bool KeepHeaders, bool ExtendedRecords) {
    if (!FReader) {
        return;  // the stream file was closed: there is nothing to read
    }
    RunParse(KeepHeaders, ExtendedRecords);
    for (const std::string& line : FMessageFold.TakeFoldedLines()) {
        if (OnLog) {
            OnLog(line);
        }
    }
}

void TM2VStream::RunParse(bool KeepHeaders, bool ExtendedRecords) {
    FSkipHeaderList = !KeepHeaders;
    FExtendedRecords = ExtendedRecords;
    ResetRunState();
    if (FQuickMode) {
        FUseCache = false;
        FSkipHeaderList = true;
    }

    // A read-only folder or a full disk must not leave the tree empty: the list stays in memory.
    const auto reportCacheNotWritten = [this] {
        if (OnLog) {
            const std::string reason = FCacheError.empty() ? "" : " (" + FCacheError + ")";
            OnLog("The analysis cache " + CacheFileName() + " could not be written" + reason +
                  "; the header list is kept in memory.");
        }
    };
    bool alreadyValid = false;
    FCacheError.clear();
    if (FUseCache && !FFirstRunOnly) {
        alreadyValid = IsCacheValid();
        if (!alreadyValid && !OpenCacheForScan()) {
            FUseCache = false;
            reportCacheNotWritten();
        }
    }

    if (!alreadyValid) {
        TFileBitStream& r = *FReader;
        if (FProgressBar != nullptr) {
            FProgressBar->SetMin(0);
            FProgressBar->SetMax(r.FileSize() / kReaderBufferSize);
            FProgressBar->SetPosition(0);
        }
        int gopsSinceYield = 0;
        int picturesWithoutGop = 0;
        bool stopNow = false;
        NextStartCode();
        do {
            ParseSequenceHeader();
            ParseSequenceExtension();
            do {
                ParseExtensionsAndUserData(0);
                do {
                    if (r.PeekBits(8) == 0xB8) {
                        // Abort is also honoured here, so a stream with one sequence header stops at
                        // the next GOP rather than at its end.
                        if (FAborted) {
                            stopNow = true;
                            break;
                        }
                        ParseGopHeader();
                        ParseExtensionsAndUserData(1);
                        if (++gopsSinceYield >= 10) {
                            if (OnYield) {
                                OnYield();
                            }
                            gopsSinceYield = 1;
                        }
                    } else if (FGopCount == 0 && ++picturesWithoutGop >= kPicturesPerYieldWithoutGop) {
                        // A stream without GOP headers never reaches the yield above: yield every so
                        // many pictures instead, so that progress moves and Abort ends the scan.
                        picturesWithoutGop = 0;
                        ReportProgress();
                        if (OnYield) {
                            OnYield();
                        }
                        if (FAborted) {
                            stopNow = true;
                            break;
                        }
                    }
                    ParsePictureHeader();
                    ParsePictureCodingExtension();
                    ParseExtensionsAndUserData(2);
                    SkipSlices();
                } while ((r.PeekBits(8) == 0x00 || r.PeekBits(8) == 0xB8) && !r.FEof);
                if (stopNow || r.FEof || FFirstRunOnly) {
                    break;
                }
                if (r.PeekBits(8) != 0xB7) {
                    ParseSequenceHeader();
                    ParseSequenceExtension();
                }
                ReportProgress();
            } while (r.PeekBits(8) != 0xB7 && !r.FEof && !FAborted);
            if (stopNow || FFirstRunOnly) {
                break;
            }
            // An aborted run ends on whatever code came; only a real sequence end code is counted.
            if (!r.FEof && (!FAborted || r.PeekBits(8) == 0xB7)) {
                ParseSequenceEnd();
            }
        } while (!r.FEof && !FAborted);

        StoreFileEnd();
        FPanScan = IsPanScan();
        if (FRepeatedIndexCount == 1) {
            FPictureCount += 1.0;
        }
        if (FUseCache && FCacheStream && !FFirstRunOnly && !FAborted) {
            if (CloseCacheStream()) {
                RewriteCacheHeader();
                LoadCache(CacheWriteName(), false);
            } else {
                // A cache cut short is never put in place; the summary stays right.
                FCacheOutput.reset();
                FUseCache = false;
                reportCacheNotWritten();
            }
        }
    } else {
        LoadCache(CacheFileName(), true);
    }

    FinishStatistics();

    if (FUseCache && !FFirstRunOnly && !FAborted) {
        CloseCacheStream();
        const bool writing = FCacheOutput != nullptr;
        if (writing && StreamChangedSinceOpened()) {
            // The records describe bytes that are no longer all there: such a cache is never put
            // in place. The list and summary of what was read stay.
            FCacheOutput.reset();
            if (OnLog) {
                OnLog(FFileName + " changed during the analysis; the cache was not written");
            }
            return;
        }
        const bool rewritten = RewriteCacheHeader();
        if (writing && !(rewritten && CommitCache())) {
            reportCacheNotWritten();
        }
        FCacheOutput.reset();
        return;
    }
    CloseCacheStream();
    FCacheOutput.reset();  // an aborted scan leaves no cache behind
    if (FBitRate < 200000) {
        FBitRate = 200000;
    }
    if (!FPullDown) {
        FFrameCount = RoundHalfEven(FPictureCount);
    }
    FPictureCount = static_cast<double>(RoundHalfEven(FPictureCount + 0.1));
}

}  // namespace velmora
