// The main window: its controls, its commands and the processing driver that runs the analyser.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "analysis/m2v_stream.h"
#include "common/log_sink.h"
#include "common/message_box.h"
#include "settings/settings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollBar;
class QSpinBox;
class QSplitter;
class QThread;
class QTimer;
class QToolBar;
class QTreeWidget;

namespace velmora::gui {

class IDialogs;
class TLogPanel;
class TQtProgressSink;
class TQtTreeSink;

class TVideoForm : public QMainWindow, public ILogSink {
    Q_OBJECT
  public:
    TVideoForm(IDialogs& Dialogs, ISettingsStore& SettingsStore, QWidget* parent = nullptr);
    ~TVideoForm() override;

    // The commands of the menus, the tool bar and the tree's context menu.
    void OpenClicked();                      // Open...
    void OpenFile(const QString& FileName);  // Open of a file chosen elsewhere (command line, drop)
    void StartClicked();                     // Start
    void AbortClicked();                     // Abort
    void SaveMpegInformationClicked();       // Save MPEG information...
    void SaveDisplayOrderClicked();          // Save Display Order information...
    void SaveCorrectedClicked();             // Save corrected...
    void CutAllGopsClicked();
    void SetSequenceEndClicked();
    void DeleteSequenceEndClicked();
    void TreeMenuAboutToShow();  // the tree's context menu is about to open
    void SetCutStartClicked();   // Set Start
    void SetCutFinishClicked();  // Set Finish
    void CutToFileClicked();     // Cut to file ...
    void HelpClicked();
    void VisitHomePageClicked();
    void AboutClicked();
    void SaveLogClicked();
    void CopySummaryClicked();
    void ExportSummaryClicked();
    // The summary labels' texts in window order, one a line.
    QString SummaryText() const;  // Save log... of the log's context menu
    void CloseClicked();
    void PageTimerFired();
    void ProcessingPartMouseMove();
    void PageSizeChanged(int Value);
    // Page moves: whole pages from the current position, built at once.
    void FirstPageClicked();
    void PreviousPageClicked();
    void NextPageClicked();
    void LastPageClicked();
    void GoToClicked();  // Go to GOP / picture / time code...
    // Shows the page that holds the record of index Index and selects its node.
    void ShowRecord(int64_t Index);

    // The log: the window's own lines and those of the tools run on this thread.
    void AddLog(int kind, const std::string& text, TColour colour) override;
    void AddLog(int Kind, const QString& Text, TColour Colour);
    void AnalyserMessage(const QString& Text);

    // A parse, a GOP cut or a file copy is running on the worker thread.
    bool Busy() const { return FJob != TJob::None; }
    const TM2VStream* Stream() const { return FStream.get(); }
    bool UserAbort() const { return FUserAbort; }
    int64_t CutStart() const { return FCutStart; }
    int64_t CutFinish() const { return FCutFinish; }
    int LastPosition() const { return FLastPosition; }
    int PositionTicks() const { return FPositionTicks; }
    TLogPanel* Log() const { return FLog; }

  signals:
    // Work of the worker thread has ended and its results are shown.
    void JobFinished();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class TJob { None, Parse, GopCut, Tool };

    void CreateActions();
    void ResizeToScreen();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // The file's name, size and the mode in the status bar.
    void ShowFileStatus();
    // Share, speed and time left of running work.
    void ShowWorkStatus();
    QWidget* CreateLeftPart();
    QWidget* CreateTreePart();
    QAction* AddAction(const char* Name, const QString& Caption, void (TVideoForm::*Operation)());

    void FormShow();
    // The last files opened, newest first, kept in the settings.
    QStringList RecentFiles() const;
    void RememberRecentFile(const QString& FileName);
    void ShowRecentFiles();
    void FormClose();
    // Every command starts here: false while work runs; otherwise a past abort no longer counts.
    bool BeginCommand();
    // A new file is shown: the previous file's summary, tree page, scroll bar and tool state go.
    void ClearResults();
    void ShowSummaryCaptions();
    void EnableCommands();
    void UpdateCommands();
    // Sets the analyser's options for the chosen mode; true when the parse keeps extended records.
    bool ApplyProcessingMode();
    void SetUpScrollBar();
    void ShowSummary();
    void ShowTreePage(int FirstEntry);
    void BuildPageAt(int Position);
    void MovePageTo(int Position);
    void ShowPagePosition();
    // The picture record behind the selected tree node, if the node stands for one.
    std::optional<int64_t> SelectedPictureIndex() const;
    // The cut position of picture record Index; nothing (and a red log line) when the file no longer
    // holds what the analysis found.
    std::optional<int64_t> PicturePosition(int64_t Index);
    // The pictures of the header list up to record Index, counted from 1.
    int64_t PictureNumber(int64_t Index) const;
    // Marks the chosen start and finish pictures on the page and says the choice in the status bar.
    void ShowCutChoice();
    // Set SEQUENCE_END changes the file in place: true once the user agreed (or asked not to be asked).
    bool SequenceEndAgreed();

    // Runs Work on the worker thread; JobDone follows on this thread.
    void RunJob(TJob Job, std::function<void()> Work);
    void JobDone();
    void ParseFinished();
    // The tools behind the commands, once their questions are answered.
    void RunRangeCut(const QString& Target);
    void RunSaveCorrected(const QString& Target);
    void RunSequenceEndTool(bool Set);
    // Copies the window's abort request into the analyser; runs on the worker thread only.
    void CopyAbortRequest(TM2VStream& Stream) const;
    // Runs a command, turning an exception nothing else caught into an error box.
    void Guarded(void (TVideoForm::*Operation)());

    IDialogs& FDialogs;
    ISettingsStore& FSettingsStore;
    MessageBoxHandler FPreviousMessageBoxHandler;

    // Window state.
    QString FFileName;
    std::unique_ptr<TM2VStream> FStream;
    // What the JSON export says of the run: its mode by the command line's name, and its messages.
    std::string FAnalysisMode;
    std::vector<std::string> FAnalysisMessages;
    int FLastPosition = 0;
    int FPositionTicks = 0;
    bool FUserAbort = false;
    int64_t FCutStart = 0;
    int64_t FCutFinish = 0;
    int64_t FCutStartIndex = -1;  // the records behind FCutStart and FCutFinish
    int64_t FCutFinishIndex = -1;
    bool FSequenceEndAgreed = false;  // asked once per run of the program
    bool FProcessAfterOpen = true;
    int32_t FBlocksPerPage = 150;
    int32_t FProcessingMode = 0;
    int32_t FTreePageSize = 150;
    bool FShown = false;
    bool FCommandsEnabled = false;  // Start, Abort and the reports, after the first Open
    bool FSaveCorrectedEnabled = false;
    bool FFinishEnabled = false;
    bool FCutEnabled = false;

    // The worker and what it shares with this thread.
    TJob FJob = TJob::None;
    QThread* FWorker = nullptr;
    QString FJobError;  // written by the worker, read after it has ended
    std::atomic<bool> FAbortRequested{false};
    QElapsedTimer FJobClock;
    bool FCloseRequested = false;

    // Controls.
    QCheckBox* ProcessAfterOpenBox = nullptr;
    QComboBox* ModeBox = nullptr;
    QSpinBox* PageSizeBox = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QGroupBox* ProcessingPart = nullptr;
    TLogPanel* FLog = nullptr;
    QTreeWidget* HeaderTree = nullptr;
    QScrollBar* PageScrollBar = nullptr;
    QLabel* PageLabel = nullptr;
    QMenu* TreeMenu = nullptr;
    QTimer* PageTimer = nullptr;
    QSplitter* Splitter = nullptr;
    QMenu* RecentMenu = nullptr;
    QToolBar* CommandBar = nullptr;
    QFrame* StreamPanel = nullptr;
    QFrame* CountsPanel = nullptr;
    QLabel* StatusFile = nullptr;
    QLabel* StatusSize = nullptr;
    QLabel* StatusMode = nullptr;
    QLabel* StatusWork = nullptr;
    std::map<QString, QLabel*> FLabels;
    std::unique_ptr<TQtProgressSink> FProgressSink;
    std::unique_ptr<TQtTreeSink> FTreeSink;

    // Commands.
    QAction* OpenAction = nullptr;
    QAction* SaveCorrectedAction = nullptr;
    QAction* SaveMpegInformationAction = nullptr;
    QAction* SaveDisplayOrderAction = nullptr;
    QAction* CloseAction = nullptr;
    QAction* StartAction = nullptr;
    QAction* AbortAction = nullptr;
    QAction* SetSequenceEndAction = nullptr;
    QAction* DeleteSequenceEndAction = nullptr;
    QAction* CutAllGopsAction = nullptr;
    QAction* HelpAction = nullptr;
    QAction* VisitHomePageAction = nullptr;
    QAction* AboutAction = nullptr;
    QAction* SetCutStartAction = nullptr;
    QAction* SetCutFinishAction = nullptr;
    QAction* CutToFileAction = nullptr;
    QAction* CopySummaryAction = nullptr;
    QAction* ExportSummaryAction = nullptr;
    QAction* FirstPageAction = nullptr;
    QAction* PreviousPageAction = nullptr;
    QAction* NextPageAction = nullptr;
    QAction* LastPageAction = nullptr;
    QAction* GoToAction = nullptr;
};

}  // namespace velmora::gui
