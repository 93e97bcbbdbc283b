// The analyser: one object per analysed stream file. Create it on a file, set its options, attach
// the sinks, call ParseStream once; then read the summary, page through the header list and run the
// tools on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/header_list.h"
#include "analysis/message_fold.h"
#include "analysis/records.h"
#include "common/log_sink.h"
#include "common/progress_sink.h"
#include "common/tree_sink.h"
#include "io/file_bit_stream.h"
#include "text/time_code.h"

namespace velmora {

class TOutputFile;
class TVobFileStream;

inline constexpr int32_t kReaderBufferSize = 524280;
inline constexpr int32_t kDisplayIndexMapSize = 2000000;
// Cut-list entries kept when the whole list is not wanted (FKeepCutList false).
inline constexpr size_t kCutListHead = 1000;

class TM2VStream {
  public:
    // Opens the reader over FileName; throws EParserFileException when it cannot be opened or read.
    explicit TM2VStream(const std::string& FileName);
    ~TM2VStream();
    TM2VStream(const TM2VStream&) = delete;
    TM2VStream& operator=(const TM2VStream&) = delete;

    void ParseStream(bool KeepHeaders, bool ExtendedRecords);
    void CloseFile();

    bool SetTreeView(ITreeSink* TreeView);
    bool SetProgressBar(IProgressSink* ProgressBar);
    int64_t HeaderCount() const { return FHeaders.size(); }
    bool IsAspect43() const { return FAspectRatio == 2; }
    bool IsPanScan() const;

    // Header tree page of the entries numbered FirstEntry .. FirstEntry + EntryCount - 1 (from 1).
    void BuildTreePage(int64_t FirstEntry, int64_t EntryCount);
    // Text reports; throw std::runtime_error naming the file and the reason when it cannot be written.
    void SaveDisplayOrderReport(const std::string& FileName) const;
    void SaveFrameStructureReport(const std::string& FileName) const;

    // Header-list look-ups used by the messages and the tools.
    int32_t FindGopNumber(int32_t Count) const;

    // Files and lists.
    std::string FFileName;
    std::unique_ptr<TFileBitStream> FReader;
    int64_t FFileSize = 0;
    // Last-write time at opening (a 64-bit file time): with FFileSize, what the cache describes.
    uint64_t FLastWriteTime = 0;
    THeaderList FHeaders;
    std::vector<TDataBlock> FUnformattedBlocks;
    // Every block of non-video data the parse found, also those the cut list does not keep.
    int64_t FUnformattedCount = 0;

    // Attachments (not owned).
    ITreeSink* FTreeView = nullptr;
    IProgressSink* FProgressBar = nullptr;
    TreeNodeId FLastPictureNode = kTreeRoot;  // kTreeRoot: no picture node on this page yet

    // Callbacks.
    std::function<void(const std::string&)> OnLog;
    std::function<void()> OnYield;

    // Options and control flags.
    bool FSkipHeaderList = false;
    bool FExtendedRecords = false;
    bool FUseCache = true;
    bool FFirstRunOnly = false;
    bool FQuickMode = true;
    bool FAborted = false;
    // False: the cut list keeps only its first kCutListHead blocks, so that a flood of foreign start
    // codes costs no memory. The corrected copy needs the whole list.
    bool FKeepCutList = true;

    // Summary values.
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FFrameRateCode = 0;
    int32_t FAspectRatio = 0;
    bool FPanScan = false;
    uint32_t FBitRate = 0;
    int32_t FMpegVersion = 1;
    bool FVariableBitRate = false;
    bool FDropFrame = false;
    TTimeCode FStartTimeCode;
    bool FLine21Switch1 = false;
    bool FLine21Switch2 = false;
    bool FUnformattedFound = false;
    int64_t FGopCount = 0;
    int64_t FSequenceHeaderCount = 0;
    int32_t FSequenceEndCount = 0;
    int32_t FMaxGopPictures = 0;
    double FPictureCount = 0;
    int64_t FDisplayedFrames = 0;
    int64_t FFrameCount = 0;
    int64_t FFieldCount = 0;
    bool FPullDown = false;

    // Parse state, statistics and cache state follow; the analyser's own implementation uses them.

    // Start-code operations: true when no further start code prefix was found.
    bool NextStartCode();
    uint32_t SkipToNextStartCode();

    // Header parsers; each is entered on a start code value byte and leaves the reader on the next.
    void ParseSequenceHeader();
    void ParseSequenceExtension();
    void ParseSequenceDisplayExtension();
    void ParseSequenceScalableExtension();
    void ParseQuantMatrixExtension();
    void ParsePictureDisplayExtension();
    void ParsePictureSpatialScalableExtension();
    void ParsePictureTemporalScalableExtension();
    void ParseExtensionsAndUserData(int32_t Level);
    // One stretch of non-video data: cut-listed, reported, passed over.
    void SkipForeignBlock(uint32_t Code);
    void DispatchExtensions(int32_t Level);
    void ParseUserData();
    void ParseGopHeader();
    void ParsePictureHeader();
    void ParsePictureCodingExtension();
    void SkipSlices();
    void ParseSequenceEnd();

    // Storing: to the cache file while one is written, else to the header list when it is kept.
    void StoreSequenceHeader(const TSequenceHeaderRecord& Rec);
    void StoreSequenceExtension(const TSequenceExtensionRecord& Rec);
    void StoreSequenceDisplayExtension(const TSequenceDisplayExtensionRecord& Rec);
    void StoreSequenceScalableExtension(const TSequenceScalableExtensionRecord& Rec);
    void StoreQuantMatrixExtension(const TQuantMatrixExtensionRecord& Rec);
    void StorePictureDisplayExtension(const TPictureDisplayExtensionRecord& Rec);
    void StorePictureSpatialScalableExtension(const TPictureSpatialScalableExtensionRecord& Rec);
    void StorePictureTemporalScalableExtension(const TPictureTemporalScalableExtensionRecord& Rec);
    void StoreGopHeader(const TGopHeaderRecord& Rec);
    void StorePictureHeader(const TPictureHeaderRecord& Rec);
    void StorePictureCodingExtension(const TPictureCodingExtensionRecord& Rec);
    void StoreSequenceEnd(int32_t Ordinal);
    void StoreFileEnd();
    void StoreUserData();
    void StorePictureData();
    void StoreStreamCode(int32_t Code);

    void CheckPictureType(const THeaderRecord& Entry, int32_t Count);

    // Picture statistics.
    void MarkDisplayIndex(int32_t Index);
    bool IsDisplayIndexMarked(int32_t Index) const;
    bool IsNearIndexMarked(int32_t Index) const;
    void CountMpeg1Picture();
    void CountMpeg1PictureStep();
    void CountMpeg2PictureStep();
    void UpdateGopMaximum();
    void ComputeFrameCount();

    // Analysis cache (the side file NAME.vnf).
    std::string CacheFileName() const { return FFileName + ".vnf"; }
    bool IsCacheValid() const;
    // Writes the final header into the cache being written (or the loaded one); false when it could
    // not be written.
    bool RewriteCacheHeader();
    void LoadCache(const std::string& CacheName, bool AlreadyValid);

    // Current records: a parse overwrites only the fields the stream carries this time.
    TSequenceHeaderRecord FSequenceHeader{};
    TSequenceExtensionRecord FSequenceExtension{};
    TSequenceDisplayExtensionRecord FSequenceDisplayExtension{};
    TSequenceScalableExtensionRecord FSequenceScalableExtension{};
    TQuantMatrixExtensionRecord FQuantMatrixExtension{};
    TPictureDisplayExtensionRecord FPictureDisplayExtension{};
    TPictureSpatialScalableExtensionRecord FPictureSpatialScalableExtension{};
    TPictureTemporalScalableExtensionRecord FPictureTemporalScalableExtension{};
    TGopHeaderRecord FGopHeader{};
    TPictureHeaderRecord FPictureHeader{};
    TPictureCodingExtensionRecord FPictureCodingExtension{};
    int32_t FLastStartCode = 0;

    // Sequence-level state.
    int64_t FSequenceHeaderPos = 0;
    bool FFirstSequencePending = true;
    bool FFirstExtensionPending = true;
    int64_t FMaxBitRate = 0;
    int64_t FMinBitRate = 0;
    int64_t FBitRateSum = 0;
    bool FDisplayExtSeen = false;
    int32_t FRefWidth = 0;
    int32_t FDisplayWidth = 0;
    int32_t FDisplayHeight = 0;

    // User data.
    int32_t FUserDataByteIndex = 0;

    // Picture statistics state.
    double FGopPictureCount = 0;
    int64_t FRepeatedIndexCount = 0;
    // Display indexes seen, one bit each, grown as indexes appear (a stream uses a few thousand).
    std::vector<bool> FDisplayIndexMap;
    int32_t FLastDisplayIndex = -1;
    int32_t FPicturesInGop = 0;
    int32_t FPicturesInStream = 0;
    int32_t FPrevPictureType = 0;
    int32_t FPrevPrevPictureType = 0;
    int32_t FPrevTopFieldFirst = 0;
    int32_t FPrevPrevTopFieldFirst = 0;
    int32_t FPrevRepeatFirstField = 0;
    int32_t FPrevPrevRepeatFirstField = 0;
    bool FStartTimeCodeSet = false;

    // Cache state: the stream being written during a scan, and the first full sequence header and
    // extension loaded, from which the loader expands the short repeat entries.
    std::unique_ptr<TVobFileStream> FCacheStream;
    TSequenceHeaderRecord FFirstSequenceHeader{};
    TSequenceExtensionRecord FFirstSequenceExtension{};

  private:
    // Position of the last GOP header entry appended to the list during this parse or load; -1: none.
    int64_t FLastGopEntry = -1;

    void ResetRunState();
    void RunParse(bool KeepHeaders, bool ExtendedRecords);
    TMessageFold FMessageFold;
    // The scan writes its cache to a temporary file that replaces NAME.vnf only once complete, so a
    // failed or aborted scan never leaves a cache cut short.
    std::unique_ptr<TOutputFile> FCacheOutput;
    // Why the cache could not be created or put in place, for the log line that says so.
    std::string FCacheError;

    bool OpenCacheForScan();
    // True when the stream's size or last-write time is no longer what it was at opening.
    bool StreamChangedSinceOpened() const;
    // False when some of the cache file could not be written.
    bool CloseCacheStream();
    // The file the cache is written to: the temporary one while a scan builds it.
    std::string CacheWriteName() const;
    // Puts the complete cache in place; false, with the temporary file removed, when that fails.
    bool CommitCache();
    void WriteCacheRecord(uint16_t Tag, const void* Payload, size_t Size);
    void FinishStatistics();
    bool WritingCache() const { return FCacheStream != nullptr; }
    // The list is kept while the cache is written too: a cache that cannot be completed (a full disk)
    // then still leaves the tree, and a complete one is loaded over it.
    bool KeepingList() const { return !FSkipHeaderList; }
    bool KeepingExtended() const { return KeepingList() && FExtendedRecords; }
    void ReportProgress();
};

}  // namespace velmora
