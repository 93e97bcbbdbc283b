// Open, Start, Abort and the processing driver: the parse runs on a worker thread while the window
// stays responsive; its messages and progress come back to this thread queued.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>

#include "analysis/processing_options.h"
#include "dialogs.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_progress_sink.h"
#include "qt_tree_sink.h"
#include "settings/processing_mode.h"
#include "tree_paging.h"
#include "video_form.h"

namespace velmora::gui {

void TVideoForm::OpenClicked() {
    if (Busy()) {
        return;
    }
    const std::optional<QString> name = FDialogs.OpenFileName(this);
    if (!name) {
        return;
    }
    OpenFile(*name);
}

void TVideoForm::OpenFile(const QString& FileName) {
    if (!BeginCommand()) {
        return;
    }
    FLog->Clear();
    AddLog(logkind::Information, QStringLiteral("Open file: ") + FileName + QStringLiteral("."),
           colour::DarkBlue);
    FFileName = FileName;
    RememberRecentFile(FileName);
    setWindowTitle(QStringLiteral("Velmora - ") + FFileName);
    FProgressSink->Restart();
    ClearResults();
    ShowFileStatus();
    EnableCommands();
    if (ProcessAfterOpenBox->isChecked()) {
        StartClicked();
    }
}

bool TVideoForm::BeginCommand() {
    if (Busy()) {
        return false;
    }
    FUserAbort = false;
    FAbortRequested.store(false);
    return true;
}

void TVideoForm::ClearResults() {
    // The tools and reports would otherwise work on the previous file's analyser.
    FStream.reset();
    FAnalysisMessages.clear();
    FSaveCorrectedEnabled = false;
    FCutStart = 0;
    FCutFinish = 0;
    FCutStartIndex = -1;
    FCutFinishIndex = -1;
    FFinishEnabled = false;
    FCutEnabled = false;
    ShowSummaryCaptions();
    statusBar()->clearMessage();
    HeaderTree->clear();
    PageScrollBar->setRange(0, 0);
    FLastPosition = PageScrollBar->value();
    FPositionTicks = 0;
    UpdateCommands();
}

void TVideoForm::ShowSummaryCaptions() {
    for (const TSummaryLabel& caption : SummaryCaptions()) {
        const auto label = FLabels.find(QString::fromStdString(caption.Name));
        if (label != FLabels.end()) {
            label->second->setText(QString::fromStdString(caption.Text));
        }
    }
}

void TVideoForm::StartClicked() {
    if (FFileName.isEmpty() || !BeginCommand()) {
        return;
    }
    FProcessAfterOpen = ProcessAfterOpenBox->isChecked();
    FBlocksPerPage = PageSizeBox->value();
    FProcessingMode = ModeBox->currentIndex();
    FStream.reset();
    // The tree shows the old analyser's page until the new one is built; it no longer leads anywhere.
    HeaderTree->clear();
    try {
        FStream = std::make_unique<TM2VStream>(QFile::encodeName(FFileName).toStdString());
    } catch (const EParserFileException&) {
        AddLog(logkind::Error,
               QStringLiteral("Can not open file ") + QFileInfo(FFileName).fileName() + QStringLiteral(" !"),
               colour::Red);
        ClearResults();
        return;
    }
    FStream->SetProgressBar(FProgressSink.get());
    AddLog(logkind::Information, QStringLiteral("Starting processing of the file: ") + FFileName,
           colour::DarkBlue);

    const TProcessingMode* mode = FindProcessingMode(FProcessingMode);
    FAnalysisMode = mode != nullptr ? std::string(mode->CliName) : std::string();
    FAnalysisMessages.clear();
    TM2VStream* stream = FStream.get();
    // Both callbacks run on the worker: they carry the window's abort request into the analyser there.
    stream->OnLog = [this, stream](const std::string& text) {
        CopyAbortRequest(*stream);
        const QString message = QString::fromStdString(text);
        QMetaObject::invokeMethod(
            this, [this, message] { AnalyserMessage(message); }, Qt::QueuedConnection);
    };
    stream->OnYield = [this, stream] { CopyAbortRequest(*stream); };
    const bool extended = ApplyProcessingMode();
    // A flood of foreign start codes must not fill the memory: "Save corrected" lists them again.
    stream->FKeepCutList = false;
    RunJob(TJob::Parse, [stream, extended] { stream->ParseStream(true, extended); });
}

// Runs on the worker while it parses, and on this thread once it has ended.
void TVideoForm::CopyAbortRequest(TM2VStream& Stream) const {
    if (FAbortRequested.load()) {
        Stream.FAborted = true;
    }
}

bool TVideoForm::ApplyProcessingMode() {
    if (!FStream) {
        return false;
    }
    return velmora::ApplyProcessingMode(*FStream, FProcessingMode);
}

void TVideoForm::RunJob(TJob Job, std::function<void()> Work) {
    FJob = Job;
    FJobError.clear();
    FJobClock.start();
    FProgressSink->Restart();
    UpdateCommands();
    ShowWorkStatus();
    FWorker = QThread::create([this, Work = std::move(Work)] {
        try {
            Work();
        } catch (const std::exception& error) {
            FJobError = QString::fromStdString(error.what());
        } catch (...) {
            FJobError = QStringLiteral("Unknown error.");
        }
        // Queued behind every message the work has sent, so the log is complete when this runs.
        QMetaObject::invokeMethod(this, &TVideoForm::JobDone, Qt::QueuedConnection);
    });
    FWorker->setObjectName(QStringLiteral("VelmoraWorker"));
    FWorker->start();
}

void TVideoForm::JobDone() {
    FWorker->wait();
    delete FWorker;
    FWorker = nullptr;
    const TJob job = std::exchange(FJob, TJob::None);
    if (job == TJob::Parse) {
        ParseFinished();
    } else if (!FJobError.isEmpty()) {
        FDialogs.ShowError(this, FJobError);
    }
    FProgressSink->Apply();
    UpdateCommands();
    ShowWorkStatus();
    emit JobFinished();
    if (FCloseRequested) {
        close();
    }
}

void TVideoForm::ParseFinished() {
    if (!FJobError.isEmpty()) {
        // Only the creation of the analyser has its own message; anything else ends the run here.
        FStream->CloseFile();
        FDialogs.ShowError(this, FJobError);
        return;
    }
    // An abort that came while the analyser made no callback (loading a cache, its last GOPs) is
    // still an abort: the run then says so rather than nothing.
    CopyAbortRequest(*FStream);
    if (FStream->FAborted) {
        AddLog(logkind::Error, QStringLiteral("Processing of MPEG-file is aborted by user."), colour::Red);
    } else {
        AddLog(logkind::Information, QStringLiteral("Processing of MPEG-file is finished."),
               colour::DarkGreen);
        FProgressSink->Complete();
    }
    FStream->SetTreeView(FTreeSink.get());
    SetUpScrollBar();
    ShowSummary();
    FStream->CloseFile();
    ShowTreePage(PageScrollBar->value());
    FSaveCorrectedEnabled = FStream->FUnformattedFound;
}

void TVideoForm::SetUpScrollBar() {
    const TScrollSetUp setUp = ScrollSetUpFor(FStream->HeaderCount(), FTreePageSize);
    PageScrollBar->setRange(setUp.Minimum, setUp.Maximum);
    PageScrollBar->setPageStep(setUp.PageStep);
    PageScrollBar->setValue(setUp.Position);
}

void TVideoForm::ShowSummary() {
    for (const TSummaryText& text : SummaryTexts(*FStream)) {
        const auto label = FLabels.find(QString::fromStdString(text.Name));
        if (label != FLabels.end() && text.Text) {
            label->second->setText(QString::fromStdString(*text.Text));
        }
    }
}

void TVideoForm::ShowTreePage(int FirstEntry) {
    HeaderTree->clear();
    if (!FStream || FStream->FTreeView == nullptr) {
        return;
    }
    // The nodes of the previous page are gone with the clear.
    FStream->FLastPictureNode = kTreeRoot;
    FStream->BuildTreePage(FirstEntry, FTreePageSize);
    ShowCutChoice();
}

void TVideoForm::AbortClicked() {
    // Only running work can be aborted; a stray Esc while idle must not silence later messages.
    if (!Busy()) {
        return;
    }
    FAbortRequested.store(true);
    FUserAbort = true;
}

void TVideoForm::PageTimerFired() {
    const int position = PageScrollBar->value();
    if (position == FLastPosition) {
        return;
    }
    ++FPositionTicks;
    if (FPositionTicks > 4) {
        BuildPageAt(position);
    }
}

void TVideoForm::ProcessingPartMouseMove() {
    const int position = PageScrollBar->value();
    if (position != FLastPosition && FPositionTicks > 0) {
        BuildPageAt(position);
    }
}

void TVideoForm::BuildPageAt(int Position) {
    if (Busy()) {
        // The analyser is at work; the page is built once it is done.
        return;
    }
    FLastPosition = Position;
    FPositionTicks = 0;
    if (FStream) {
        ShowTreePage(Position);
    }
}

void TVideoForm::PageSizeChanged(int Value) {
    FTreePageSize = Value;
    if (!FStream || Busy() || FStream->FTreeView == nullptr) {
        return;
    }
    // The last page depends on the page size: the range follows, and the page is drawn again.
    const int position = PageScrollBar->value();
    SetUpScrollBar();
    PageScrollBar->setValue(position);
    BuildPageAt(PageScrollBar->value());
    ShowPagePosition();
}

void TVideoForm::FirstPageClicked() {
    MovePageTo(PageScrollBar->minimum());
}

void TVideoForm::PreviousPageClicked() {
    MovePageTo(PageScrollBar->value() - FTreePageSize);
}

void TVideoForm::NextPageClicked() {
    MovePageTo(PageScrollBar->value() + FTreePageSize);
}

void TVideoForm::LastPageClicked() {
    MovePageTo(PageScrollBar->maximum());
}

void TVideoForm::MovePageTo(int Position) {
    if (!FStream || Busy()) {
        return;
    }
    PageScrollBar->setValue(std::clamp(Position, PageScrollBar->minimum(), PageScrollBar->maximum()));
    BuildPageAt(PageScrollBar->value());
}

void TVideoForm::ShowRecord(int64_t Index) {
    if (!FStream || Index < 0 || Index >= FStream->HeaderCount()) {
        return;
    }
    MovePageTo(static_cast<int>(std::min<int64_t>(Index + 1, PageScrollBar->maximum())));
    for (int row = 0; row < HeaderTree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* node = HeaderTree->topLevelItem(row);
        if (TQtTreeSink::NodeData(node) == Index) {
            HeaderTree->setCurrentItem(node);
            HeaderTree->scrollToItem(node, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

void TVideoForm::ShowPagePosition() {
    const bool paged = FStream && FStream->FTreeView != nullptr && FStream->HeaderCount() > 0 && !Busy();
    const int position = PageScrollBar->value();
    FirstPageAction->setEnabled(paged && position > PageScrollBar->minimum());
    PreviousPageAction->setEnabled(paged && position > PageScrollBar->minimum());
    NextPageAction->setEnabled(paged && position < PageScrollBar->maximum());
    LastPageAction->setEnabled(paged && position < PageScrollBar->maximum());
    GoToAction->setEnabled(paged);
    if (!paged) {
        PageLabel->setText(FStream && !Busy() ? QStringLiteral("No records") : QString());
        return;
    }
    const int64_t count = FStream->HeaderCount();
    const TPagePlace place = PagePlaceAt(count, FTreePageSize, position);
    PageLabel->setText(QStringLiteral("Page %1 of %2 (records %3\u2013%4 of %5)")
                           .arg(place.Page)
                           .arg(place.Pages)
                           .arg(place.First)
                           .arg(place.Last)
                           .arg(count));
}

void TVideoForm::EnableCommands() {
    FCommandsEnabled = true;
    UpdateCommands();
}

void TVideoForm::UpdateCommands() {
    const bool idle = !Busy();
    // Reports and tools need an analysis of the file shown.
    const bool analysed = idle && FStream != nullptr;
    OpenAction->setEnabled(idle);
    // The previous summary stands greyed while a new run works.
    StreamPanel->setEnabled(FJob != TJob::Parse);
    CountsPanel->setEnabled(FJob != TJob::Parse);
    StartAction->setEnabled(FCommandsEnabled && idle);
    AbortAction->setEnabled(!idle);
    SaveMpegInformationAction->setEnabled(analysed);
    SaveDisplayOrderAction->setEnabled(analysed);
    CopySummaryAction->setEnabled(analysed);
    ExportSummaryAction->setEnabled(analysed);
    SaveCorrectedAction->setEnabled(FSaveCorrectedEnabled && analysed);
    SetSequenceEndAction->setEnabled(analysed);
    DeleteSequenceEndAction->setEnabled(analysed);
    CutAllGopsAction->setEnabled(analysed);
    SetCutFinishAction->setEnabled(FFinishEnabled && analysed);
    CutToFileAction->setEnabled(FCutEnabled && analysed);
    if (!idle) {
        SetCutStartAction->setEnabled(false);
    }
    ShowPagePosition();
}

}  // namespace velmora::gui
