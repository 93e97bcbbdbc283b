// The analyser object: construction, options, attachments, start-code operations and the header-list
// look-ups shared by the messages and the tools.
#include "analysis/m2v_stream.h"

#include "analysis/header_kinds.h"
#include "io/output_file.h"
#include "io/vob_file_stream.h"

namespace velmora {

TM2VStream::TM2VStream(const std::string& FileName)
    : FFileName(FileName), FReader(std::make_unique<TFileBitStream>(FileName, kReaderBufferSize)) {
    FFileSize = FReader->FileSize();
    FLastWriteTime = FReader->GetLastWriteTime();
}

TM2VStream::~TM2VStream() {
    CloseCacheStream();
}

void TM2VStream::CloseFile() {
    FReader.reset();
}

bool TM2VStream::SetTreeView(ITreeSink* TreeView) {
    if (FTreeView != nullptr) {
        return false;
    }
    FTreeView = TreeView;
    return true;
}

bool TM2VStream::SetProgressBar(IProgressSink* ProgressBar) {
    if (FProgressBar != nullptr) {
        return false;
    }
    FProgressBar = ProgressBar;
    return true;
}

bool TM2VStream::IsPanScan() const {
    return FAspectRatio == 2 && FDisplayWidth != 0 && FDisplayHeight != 0 && FDisplayWidth == 540 &&
           (FRefWidth == 704 || FRefWidth == 720);
}

bool TM2VStream::NextStartCode() {
    return !FReader->FindPattern(1, 24);
}

uint32_t TM2VStream::SkipToNextStartCode() {
    const int64_t start = FReader->Position();
    NextStartCode();
    return static_cast<uint32_t>(FReader->Position() - start);
}

int32_t TM2VStream::FindGopNumber(int32_t Count) const {
    for (int64_t i = static_cast<int64_t>(Count) - 1; i >= 0; --i) {
        if (i < FHeaders.size() && FHeaders.Kind(i) == kind::GopHeader) {
            return FHeaders[i].As<TGopHeaderRecord>().gop_number;
        }
    }
    return -1;
}

void TM2VStream::CheckPictureType(const THeaderRecord& Entry, int32_t Count) {
    if (Entry.Kind != kind::PictureHeader || !OnLog) {
        return;
    }
    const TPictureHeaderRecord rec = Entry.As<TPictureHeaderRecord>();
    if ((rec.picture_coding_type >= 1 && rec.picture_coding_type <= 3) ||
        !FMessageFold.Admit(TMessageKind::UnknownFrameType)) {
        return;
    }
    // While the list is being built the nearest GOP header is the last one appended; a backward search
    // per picture would make a stream full of bad pictures quadratic.
    const bool atEnd = Count == FHeaders.size();
    const int32_t gop =
        atEnd ? (FLastGopEntry < 0 ? -1 : FHeaders[FLastGopEntry].As<TGopHeaderRecord>().gop_number)
              : FindGopNumber(Count);
    OnLog("Unknown Frame Type! GOP Number: " + std::to_string(gop) +
          ", File Position: " + std::to_string(rec.file_position));
}

bool TM2VStream::CloseCacheStream() {
    if (!FCacheStream) {
        return true;
    }
    const bool written = FCacheStream->Close();
    FCacheStream.reset();
    return written;
}

}  // namespace velmora
