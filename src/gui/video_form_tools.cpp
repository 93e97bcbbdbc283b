// The commands that work on a processed stream: the reports, the tree's range cut, Cut all GOPs, the
// corrected copy and the sequence end tools.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QSaveFile>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUrl>

#include "about_box.h"
#include "analysis/header_kinds.h"
#include "dialogs.h"
#include "log_panel.h"
#include "present/summary.h"
#include "present/summary_json.h"
#include "qt_progress_sink.h"
#include "qt_tree_sink.h"
#include "record_search.h"
#include "tools/corrected_copy.h"
#include "tools/cut_positions.h"
#include "tools/gop_cut.h"
#include "tools/range_cut.h"
#include "tools/sequence_end.h"
#include "tools/tool_hooks.h"
#include "video_form.h"

namespace velmora::gui {
namespace {

const TSaveRequest kTextFileRequest{QStringLiteral("Text files (*.txt)"), QStringLiteral("txt")};
constexpr int kStatusMessageMs = 5000;
const std::string kAskBeforeSequenceEnd = "AskBeforeSequenceEnd";
// The summary as the command line's text or, for a name ending in .json, its JSON.
const TSaveRequest kSummaryFileRequest{QStringLiteral("Text files (*.txt);;JSON files (*.json)"),
                                       QStringLiteral("txt")};
const TSaveRequest kMpegFileRequest{QStringLiteral("MPEG files (*.m2v)"), QStringLiteral("m2v")};

std::string FileSystemName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// Log lines of work on the worker thread, shown by the window's thread in the order they were sent.
class TQueuedLogSink : public ILogSink {
  public:
    explicit TQueuedLogSink(ILogSink& window, QObject* context) : window_(window), context_(context) {}
    void AddLog(int kind, const std::string& text, TColour colour) override {
        ILogSink* window = &window_;
        QMetaObject::invokeMethod(
            context_, [window, kind, text, colour] { window->AddLog(kind, text, colour); },
            Qt::QueuedConnection);
    }

  private:
    ILogSink& window_;
    QObject* context_;
};

}  // namespace

void TVideoForm::SaveMpegInformationClicked() {
    // Without an analysis of the file shown there is nothing to write: no dialog either.
    if (!FStream || !BeginCommand()) {
        return;
    }
    const std::optional<QString> name = FDialogs.SaveFileName(this, kTextFileRequest);
    if (name) {
        FStream->SaveFrameStructureReport(FileSystemName(*name));
    }
}

void TVideoForm::SaveDisplayOrderClicked() {
    // Without an analysis of the file shown there is nothing to write: no dialog either.
    if (!FStream || !BeginCommand()) {
        return;
    }
    const std::optional<QString> name = FDialogs.SaveFileName(this, kTextFileRequest);
    if (name) {
        FStream->SaveDisplayOrderReport(FileSystemName(*name));
    }
}

std::optional<int64_t> TVideoForm::SelectedPictureIndex() const {
    if (!FStream || Busy()) {
        return std::nullopt;
    }
    const QTreeWidgetItem* item = HeaderTree->currentItem();
    if (item == nullptr) {
        return std::nullopt;
    }
    const int64_t index = TQtTreeSink::NodeData(item);
    if (index < 0 || index >= FStream->FHeaders.size() ||
        FStream->FHeaders.Kind(index) != kind::PictureHeader) {
        return std::nullopt;
    }
    return index;
}

std::optional<int64_t> TVideoForm::PicturePosition(int64_t Index) {
    const std::optional<int64_t> position = TCutPositions(FStream->FFileName, FStream->FHeaders).At(Index);
    if (!position) {
        AddLog(logkind::Error,
               "The cut position is not found: " + FStream->FFileName + " has changed since it was analysed!",
               colour::Red);
    }
    return position;
}

int64_t TVideoForm::PictureNumber(int64_t Index) const {
    int64_t number = 0;
    for (int64_t i = 0; i <= Index; ++i) {
        number += FStream->FHeaders.Kind(i) == kind::PictureHeader ? 1 : 0;
    }
    return number;
}

void TVideoForm::TreeMenuAboutToShow() {
    const bool picture = SelectedPictureIndex().has_value();
    SetCutStartAction->setEnabled(picture);
    // Set Finish takes a position only from a picture: other records hold none.
    SetCutFinishAction->setEnabled(FFinishEnabled && picture);
    CutToFileAction->setEnabled(FCutEnabled && !Busy());
}

void TVideoForm::SetCutStartClicked() {
    const std::optional<int64_t> index = SelectedPictureIndex();
    const std::optional<int64_t> position = index ? PicturePosition(*index) : std::nullopt;
    if (position) {
        FCutStartIndex = *index;
        FCutStart = *position;
        FFinishEnabled = true;
        UpdateCommands();
        ShowCutChoice();
    }
}

void TVideoForm::SetCutFinishClicked() {
    const std::optional<int64_t> index = SelectedPictureIndex();
    const std::optional<int64_t> position = index ? PicturePosition(*index) : std::nullopt;
    if (position) {
        FCutFinishIndex = *index;
        FCutFinish = *position;
        FCutEnabled = true;
        UpdateCommands();
        ShowCutChoice();
    }
}

void TVideoForm::ShowCutChoice() {
    if (!FStream) {
        return;
    }
    const int64_t start = FFinishEnabled ? FCutStartIndex : -1;
    const int64_t finish = FCutEnabled ? FCutFinishIndex : -1;
    for (int row = 0; row < HeaderTree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* node = HeaderTree->topLevelItem(row);
        const int64_t index = TQtTreeSink::NodeData(node);
        const bool isStart = start >= 0 && index == start;
        const bool isFinish = finish >= 0 && index == finish;
        QFont font = HeaderTree->font();
        font.setBold(isStart || isFinish);
        node->setFont(0, font);
        node->setBackground(0, isStart    ? QBrush(QColor(200, 235, 200))
                               : isFinish ? QBrush(QColor(240, 205, 205))
                                          : QBrush());
        node->setToolTip(0, isStart    ? QStringLiteral("Cut start")
                            : isFinish ? QStringLiteral("Cut finish")
                                       : QString());
    }
    if (start < 0) {
        return;
    }
    QString text = QStringLiteral("Cut: picture %1 (offset %2)").arg(PictureNumber(start)).arg(FCutStart);
    if (finish < 0) {
        text += QStringLiteral(", to be finished with Set Finish");
    } else if (FCutFinish > FCutStart) {
        text +=
            QStringLiteral(" to picture %1, %2 bytes").arg(PictureNumber(finish)).arg(FCutFinish - FCutStart);
    } else {
        text += QStringLiteral(" to picture %1: the finish does not come after the start")
                    .arg(PictureNumber(finish));
    }
    statusBar()->showMessage(text);
}

void TVideoForm::CutToFileClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    const std::optional<QString> name = FDialogs.SaveFileName(this, kMpegFileRequest);
    if (!name) {
        return;
    }
    RunRangeCut(*name);
}

void TVideoForm::SaveCorrectedClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    TSaveRequest request = kMpegFileRequest;
    request.ConfirmOverwrite = false;  // the window asks its own question
    const std::optional<QString> name = FDialogs.SaveFileName(this, request);
    if (!name) {
        return;
    }
    if (QFileInfo::exists(*name) && !FDialogs.ConfirmOverwrite(this, *name)) {
        return;
    }
    RunSaveCorrected(*name);
}

void TVideoForm::CutAllGopsClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    TM2VStream* stream = FStream.get();
    IProgressSink* progress = FProgressSink.get();
    RunJob(TJob::GopCut, [this, stream, progress] {
        TQueuedLogSink log(*this, this);
        // The tool reads its own abort flag, which only this thread touches.
        bool aborted = false;
        TToolHooks hooks;
        hooks.Log = &log;
        hooks.Progress = progress;
        hooks.FUserAbort = &aborted;
        hooks.Yield = [this, &aborted] {
            if (FAbortRequested.load()) {
                aborted = true;
            }
        };
        CutAllGops(*stream, hooks);
    });
}

void TVideoForm::SetSequenceEndClicked() {
    if (!FStream || !BeginCommand() || !SequenceEndAgreed()) {
        return;
    }
    RunSequenceEndTool(true);
}

void TVideoForm::DeleteSequenceEndClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    RunSequenceEndTool(false);
}

void TVideoForm::RunRangeCut(const QString& Target) {
    const std::string source = FStream->FFileName;
    const std::string target = FileSystemName(Target);
    const int64_t start = FCutStart;
    const int64_t finish = FCutFinish;
    // A long range is a long copy: it runs beside the window like the other long work.
    RunJob(TJob::Tool, [this, source, target, start, finish] {
        TQueuedLogSink log(*this, this);
        CutRangeWithLog(source, target, start, finish, &log);
    });
}

void TVideoForm::RunSaveCorrected(const QString& Target) {
    const TM2VStream* stream = FStream.get();
    const std::string target = FileSystemName(Target);
    RunJob(TJob::Tool, [this, stream, target] {
        TQueuedLogSink log(*this, this);
        if (stream->FUnformattedCount <= static_cast<int64_t>(stream->FUnformattedBlocks.size())) {
            SaveCorrectedWithLog(*stream, target, &log);
            return;
        }
        // The analysis kept only the first blocks of a long cut list: a quick scan lists them all.
        TM2VStream whole(stream->FFileName);
        whole.ParseStream(false, false);
        whole.CloseFile();
        SaveCorrectedWithLog(whole, target, &log);
    });
}

void TVideoForm::RunSequenceEndTool(bool Set) {
    // Only the last bytes of the file are read or written: quick enough for this thread.
    if (Set) {
        SetSequenceEndWithLog(FStream->FFileName, this);
    } else {
        DeleteSequenceEndWithLog(FStream->FFileName, this);
    }
}

void TVideoForm::SaveLogClicked() {
    const std::optional<QString> name = FDialogs.SaveFileName(this, kTextFileRequest);
    if (!name) {
        return;
    }
    QSaveFile file(*name);
    const QByteArray text = (FLog->ShownText() + QLatin1Char('\n')).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        FDialogs.ShowError(this, QStringLiteral("Unable to write the log to ") + *name +
                                     QStringLiteral(": ") + file.errorString());
    }
}

void TVideoForm::GoToClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    const std::optional<TGoToRequest> request = FDialogs.AskGoTo(this);
    if (!request) {
        return;
    }
    if (const std::optional<int64_t> index = FindRecord(FStream->FHeaders, *request)) {
        ShowRecord(*index);
    } else {
        statusBar()->showMessage(QStringLiteral("Not found: ") + request->Text, kStatusMessageMs);
    }
}

QString TVideoForm::SummaryText() const {
    QStringList lines;
    for (const TSummaryLabel& caption : SummaryCaptions()) {
        lines.append(FLabels.at(QString::fromStdString(caption.Name))->text());
    }
    return lines.join(QLatin1Char('\n'));
}

void TVideoForm::CopySummaryClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    QApplication::clipboard()->setText(SummaryText());
}

void TVideoForm::ExportSummaryClicked() {
    if (!FStream || !BeginCommand()) {
        return;
    }
    const std::optional<QString> name = FDialogs.SaveFileName(this, kSummaryFileRequest);
    if (!name) {
        return;
    }
    QSaveFile file(*name);
    const QByteArray text =
        name->endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)
            ? QByteArray::fromStdString(
                  SummaryJson(*FStream, FileSystemName(FFileName), FAnalysisMode, FAnalysisMessages).dump(2) +
                  '\n')
            : (FFileName + QLatin1Char('\n') + SummaryText() + QLatin1Char('\n')).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        FDialogs.ShowError(this, QStringLiteral("Unable to write the summary to ") + *name +
                                     QStringLiteral(": ") + file.errorString());
    }
}

bool TVideoForm::SequenceEndAgreed() {
    if (FSequenceEndAgreed || FSettingsStore.ReadInt(kAskBeforeSequenceEnd).value_or(1) == 0) {
        return true;
    }
    bool dontAskAgain = false;
    const QString question = QStringLiteral(
                                 "Set SEQUENCE_END changes the file in place: the sequence end code "
                                 "(4 bytes) is appended to ") +
                             QString::fromStdString(FStream->FFileName) + QStringLiteral(". Go on?");
    if (!FDialogs.ConfirmInPlaceChange(this, question, dontAskAgain)) {
        return false;
    }
    FSequenceEndAgreed = true;
    if (dontAskAgain) {
        FSettingsStore.WriteInt(kAskBeforeSequenceEnd, 0);
    }
    return true;
}

void TVideoForm::HelpClicked() {
    FDialogs.ShowHelp(this);
}

void TVideoForm::VisitHomePageClicked() {
    if (!FDialogs.OpenUrl(HomePageUrl())) {
        FDialogs.ShowError(this, BrowserFailureText(HomePageUrl()));
    }
}

void TVideoForm::AboutClicked() {
    FDialogs.ShowAbout(this);
}

void TVideoForm::CloseClicked() {
    close();
}

}  // namespace velmora::gui
