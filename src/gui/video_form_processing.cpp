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
#include <QThread>
#include <QTreeWidget>

#include "analysis/processing_options.h"
#include "dialogs.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_progress_sink.h"
#include "qt_tree_sink.h"
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
    if (Busy()) {
        return;
    }
    FLog->clear();
    AddLog(logkind::Information, QStringLiteral("Open file: ") + FileName + QStringLiteral("."),
           colour::DarkBlue);
    FFileName = FileName;
    setWindowTitle(QStringLiteral("Velmora - ") + FFileName);
    FProgressSink->SetPosition(0);
    HeaderTree->clear();
    EnableCommands();
    if (ProcessAfterOpenBox->isChecked()) {
        StartClicked();
    }
}

void TVideoForm::StartClicked() {
    if (Busy() || FFileName.isEmpty()) {
        return;
    }
    FUserAbort = false;
    FAbortRequested.store(false);
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
        return;
    }
    FStream->SetProgressBar(FProgressSink.get());
    AddLog(logkind::Information, QStringLiteral("Starting processing of the file: ") + FFileName,
           colour::DarkBlue);

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
    RunJob(TJob::Parse, [stream, extended] { stream->ParseStream(true, extended); });
}

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
    UpdateCommands();
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
    if (FStream->FAborted) {
        AddLog(logkind::Error, QStringLiteral("Processing of MPEG-file is aborted by user."), colour::Red);
    } else {
        AddLog(logkind::Information, QStringLiteral("Processing of MPEG-file is finished."),
               colour::DarkGreen);
    }
    FStream->SetTreeView(FTreeSink.get());
    SetUpScrollBar();
    ShowSummary();
    FStream->CloseFile();
    ShowTreePage(PageScrollBar->value());
    FSaveCorrectedEnabled = FStream->FUnformattedFound;
}

void TVideoForm::SetUpScrollBar() {
    const TScrollSetUp setUp = ScrollSetUpFor(FStream->HeaderCount());
    PageScrollBar->setRange(setUp.Minimum, setUp.Maximum);
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
}

void TVideoForm::AbortClicked() {
    if (FStream) {
        FAbortRequested.store(true);
    }
    FUserAbort = true;
    EnableCommands();
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
}

void TVideoForm::EnableCommands() {
    FCommandsEnabled = true;
    UpdateCommands();
}

void TVideoForm::UpdateCommands() {
    const bool idle = !Busy();
    OpenAction->setEnabled(idle);
    StartAction->setEnabled(FCommandsEnabled && idle);
    AbortAction->setEnabled(FCommandsEnabled || !idle);
    SaveMpegInformationAction->setEnabled(FCommandsEnabled && idle);
    SaveDisplayOrderAction->setEnabled(FCommandsEnabled && idle);
    SaveCorrectedAction->setEnabled(FSaveCorrectedEnabled && idle);
    SetSequenceEndAction->setEnabled(idle);
    DeleteSequenceEndAction->setEnabled(idle);
    CutAllGopsAction->setEnabled(idle);
    SetCutFinishAction->setEnabled(FFinishEnabled && idle);
    CutToFileAction->setEnabled(FCutEnabled && idle);
    if (!idle) {
        SetCutStartAction->setEnabled(false);
    }
}

}  // namespace velmora::gui
