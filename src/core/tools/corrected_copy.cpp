#include "tools/corrected_copy.h"

#include <vector>

#include "analysis/m2v_stream.h"
#include "tools/file_copy.h"

namespace velmora {

TToolStatus SaveCorrected(const std::string& Source, std::span<const TDataBlock> Blocks,
                          const std::string& FileName, int64_t AnalysedSize) {
    if (Blocks.empty()) {
        return TToolStatus::Failure("no foreign data was found in " + Source);
    }
    TRangeCopier source(Source);
    if (TToolStatus usable = source.RequireSize(AnalysedSize); !usable) {
        return usable;
    }
    // The kept stretches: everything between the blocks, then the rest of the file.
    std::vector<TByteRange> kept;
    kept.reserve(Blocks.size() + 1);
    int64_t next = 0;
    for (const TDataBlock& block : Blocks) {
        if (block.Position < next || block.Length < 0 ||
            block.Position > source.SourceSize() - block.Length) {
            return TToolStatus::Failure("the foreign data block at byte " + std::to_string(block.Position) +
                                        " (" + std::to_string(block.Length) + " bytes) does not fit " +
                                        Source + " (was it changed since it was analysed?)");
        }
        if (block.Position > next) {
            kept.push_back({next, block.Position - next});
        }
        next = block.Position + block.Length;
    }
    kept.push_back({next, source.SourceSize() - next});
    return WriteRanges(source, FileName, kept);
}

TToolStatus SaveCorrected(const TM2VStream& Stream, const std::string& FileName) {
    return SaveCorrected(Stream.FFileName, Stream.FUnformattedBlocks, FileName, Stream.FFileSize);
}

namespace {

bool LogSaved(const TToolStatus& status, const std::string& FileName, size_t Blocks, ILogSink* Log) {
    if (Log != nullptr) {
        if (status) {
            Log->AddLog(logkind::Information,
                        "Corrected file " + FileName + " is saved: " + std::to_string(Blocks) +
                            " blocks of foreign data removed.",
                        colour::Blue);
        } else {
            Log->AddLog(logkind::Error,
                        "Corrected file " + FileName + " is not saved: " + status.Reason + "!", colour::Red);
        }
    }
    return status.Ok;
}

}  // namespace

bool SaveCorrectedWithLog(const std::string& Source, std::span<const TDataBlock> Blocks,
                          const std::string& FileName, ILogSink* Log) {
    return LogSaved(SaveCorrected(Source, Blocks, FileName), FileName, Blocks.size(), Log);
}

bool SaveCorrectedWithLog(const TM2VStream& Stream, const std::string& FileName, ILogSink* Log) {
    return LogSaved(SaveCorrected(Stream, FileName), FileName, Stream.FUnformattedBlocks.size(), Log);
}

}  // namespace velmora
