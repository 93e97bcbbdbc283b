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
#include "analysis/records.h"
#include "common/log_sink.h"
#include "common/progress_sink.h"
#include "common/tree_sink.h"
#include "io/file_bit_stream.h"
#include "text/time_code.h"

namespace velmora {

class TVobFileStream;

inline constexpr int32_t kReaderBufferSize = 524280;
inline constexpr int32_t kDisplayIndexMapSize = 2000000;

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
    THeaderList FHeaders;
    std::vector<TDataBlock> FUnformattedBlocks;

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
};

}  // namespace velmora
