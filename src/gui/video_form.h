// The main window: its controls, its commands and the processing driver that runs the analyser.
#pragma once

#include <QMainWindow>
#include <QString>
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
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollBar;
class QSpinBox;
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

    // Commands, named after the controls they serve.
    void Button5Click();                     // Open...
    void OpenFile(const QString& FileName);  // Open of a file chosen elsewhere (command line, drop)
    void Button6Click();                     // Start
    void ToolButton5Click();                 // Abort
    void Button2Click();                     // Save MPEG information...
    void SaveDisplayOrderinfo1Click();       // Save Display Order information...
    void Button4Click();                     // Save corrected...
    void CutallGOPs1Click();
    void SetSEQUENCEEND1Click();
    void DeleteSEQUENCEEND1Click();
    void PopupMenu1Popup();  // the tree's context menu is about to open
    void StartClick();       // Set Start
    void FinishClick();      // Set Finish
    void CutClick();         // Cut to file ...
    void VisitVelmorahomepage1Click();
    void About1Click();
    void Exit1Click();
    void Timer1Timer();
    void GroupBox3MouseMove();
    void SpinEdit1Change(int Value);

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
    void CreateMenus();
    void CreateToolBar();
    QWidget* CreateLeftPart();
    QWidget* CreateTreePart();
    QAction* AddAction(const char* Name, const QString& Caption, void (TVideoForm::*Operation)());

    void FormShow();
    void FormClose();
    void EnableCommands();
    void UpdateCommands();
    // Sets the analyser's options for the chosen mode; true when the parse keeps extended records.
    bool ApplyProcessingMode();
    void SetUpScrollBar();
    void ShowSummary();
    void ShowTreePage(int FirstEntry);
    void BuildPageAt(int Position);
    // The picture record behind the selected tree node, if the node stands for one.
    std::optional<int64_t> SelectedPicturePosition() const;

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
    int FLastPosition = 0;
    int FPositionTicks = 0;
    bool FUserAbort = false;
    int64_t FCutStart = 0;
    int64_t FCutFinish = 0;
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
    bool FCloseRequested = false;

    // Controls.
    QCheckBox* CheckBox2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    TLogPanel* FLog = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QTimer* Timer1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    std::map<QString, QLabel*> FLabels;
    std::unique_ptr<TQtProgressSink> FProgressSink;
    std::unique_ptr<TQtTreeSink> FTreeSink;

    // Commands.
    QAction* Open1 = nullptr;
    QAction* Savecorrected1 = nullptr;
    QAction* SaveMPEGinformation1 = nullptr;
    QAction* SaveDisplayOrderinfo1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Start1 = nullptr;
    QAction* Abort1 = nullptr;
    QAction* SetSEQUENCEEND1 = nullptr;
    QAction* DeleteSEQUENCEEND1 = nullptr;
    QAction* CutallGOPs1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* VisitVelmorahomepage1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Start = nullptr;
    QAction* Finish = nullptr;
    QAction* Cut = nullptr;
};

}  // namespace velmora::gui
