// The window's construction and layout, its show and close handling, drops and the log.
#include "video_form.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs.h"
#include "images.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_progress_sink.h"
#include "qt_tree_sink.h"
#include "settings/processing_mode.h"

namespace velmora::gui {
namespace {

constexpr int kTimerInterval = 200;  // ms between the tree page checks
constexpr int kPageSizeStep = 50;
// The first summary label of the second panel: the counts follow the stream's properties.
const QString kSecondPanelFirstLabel = QStringLiteral("Label5");

QColor ToQColor(TColour colour) {
    return QColor(colour.R, colour.G, colour.B);
}

}  // namespace

TVideoForm::TVideoForm(IDialogs& Dialogs, ISettingsStore& SettingsStore, QWidget* parent)
    : QMainWindow(parent), FDialogs(Dialogs), FSettingsStore(SettingsStore) {
    setObjectName(QStringLiteral("VideoForm"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);

    CreateActions();
    CreateMenus();
    CreateToolBar();

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(CreateLeftPart());
    splitter->addWidget(CreateTreePart());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);

    FProgressSink = std::make_unique<TQtProgressSink>(ProgressBar1);
    FTreeSink = std::make_unique<TQtTreeSink>(TreeView1);

    // Messages of the core may come from the worker; they are shown on this thread.
    FPreviousMessageBoxHandler = SetMessageBoxHandler([this](const std::string& text) {
        const QString message = QString::fromStdString(text);
        if (QThread::currentThread() == thread()) {
            FDialogs.ShowMessage(this, message);
        } else {
            QMetaObject::invokeMethod(
                this, [this, message] { FDialogs.ShowMessage(this, message); }, Qt::QueuedConnection);
        }
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded(&TVideoForm::Timer1Timer); });
    Timer1->start();

    UpdateCommands();
    resize(1100, 760);
}

TVideoForm::~TVideoForm() {
    if (FWorker != nullptr) {
        // The window goes while work runs (closing normally waits for it): stop it and wait.
        FAbortRequested.store(true);
        FWorker->wait();
        delete FWorker;
    }
    SetMessageBoxHandler(FPreviousMessageBoxHandler);
}

QAction* TVideoForm::AddAction(const char* Name, const QString& Caption, void (TVideoForm::*Operation)()) {
    auto* action = new QAction(Caption, this);
    action->setObjectName(QString::fromLatin1(Name));
    if (Operation != nullptr) {
        connect(action, &QAction::triggered, this, [this, Operation] { Guarded(Operation); });
    }
    return action;
}

void TVideoForm::CreateActions() {
    QStyle* style = this->style();
    Open1 = AddAction("Open1", QStringLiteral("Open..."), &TVideoForm::Button5Click);
    Open1->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    Open1->setShortcut(QKeySequence::Open);
    Savecorrected1 =
        AddAction("Savecorrected1", QStringLiteral("Save corrected..."), &TVideoForm::Button4Click);
    Savecorrected1->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    SaveMPEGinformation1 = AddAction("SaveMPEGinformation1", QStringLiteral("Save MPEG information... "),
                                     &TVideoForm::Button2Click);
    SaveMPEGinformation1->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
    SaveDisplayOrderinfo1 =
        AddAction("SaveDisplayOrderinfo1", QStringLiteral("Save Display Order information..."),
                  &TVideoForm::SaveDisplayOrderinfo1Click);
    Exit1 = AddAction("Exit1", QStringLiteral("Close"), &TVideoForm::Exit1Click);
    Exit1->setIcon(style->standardIcon(QStyle::SP_DialogCloseButton));
    Exit1->setShortcut(QKeySequence::Quit);
    Start1 = AddAction("Start1", QStringLiteral("Start"), &TVideoForm::Button6Click);
    Start1->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    Start1->setShortcut(QKeySequence(Qt::Key_F5));
    Abort1 = AddAction("Abort1", QStringLiteral("Abort"), &TVideoForm::ToolButton5Click);
    Abort1->setIcon(style->standardIcon(QStyle::SP_MediaStop));
    Abort1->setShortcut(QKeySequence(Qt::Key_Escape));
    SetSEQUENCEEND1 =
        AddAction("SetSEQUENCEEND1", QStringLiteral("Set SEQUENCE_END"), &TVideoForm::SetSEQUENCEEND1Click);
    DeleteSEQUENCEEND1 = AddAction("DeleteSEQUENCEEND1", QStringLiteral("Delete SEQUENCE_END"),
                                   &TVideoForm::DeleteSEQUENCEEND1Click);
    // The delete tool exists but is not offered.
    DeleteSEQUENCEEND1->setVisible(false);
    CutallGOPs1 = AddAction("CutallGOPs1", QStringLiteral("Cut all GOPs"), &TVideoForm::CutallGOPs1Click);
    Help2 = AddAction("Help2", QStringLiteral("Help"), nullptr);
    VisitVelmorahomepage1 = AddAction("VisitVelmorahomepage1", QStringLiteral("Visit Velmora home page"),
                                      &TVideoForm::VisitVelmorahomepage1Click);
    About1 = AddAction("About1", QStringLiteral("About"), &TVideoForm::About1Click);
    Start = AddAction("Start", QStringLiteral("Set Start  \\/"), &TVideoForm::StartClick);
    Finish = AddAction("Finish", QStringLiteral("Set Finish /\\"), &TVideoForm::FinishClick);
    Cut = AddAction("Cut", QStringLiteral("Cut to file ..."), &TVideoForm::CutClick);
}

void TVideoForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    file->addAction(Open1);
    file->addAction(Savecorrected1);
    file->addAction(SaveMPEGinformation1);
    file->addAction(SaveDisplayOrderinfo1);
    file->addSeparator();
    file->addAction(Exit1);

    QMenu* processing = menuBar()->addMenu(QStringLiteral("&Processing"));
    processing->setObjectName(QStringLiteral("Processing1"));
    processing->addAction(Start1);
    processing->addAction(Abort1);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    tools->addAction(SetSEQUENCEEND1);
    tools->addAction(DeleteSEQUENCEEND1);
    tools->addAction(CutallGOPs1);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    help->addAction(Help2);
    help->addAction(VisitVelmorahomepage1);
    help->addSeparator();
    help->addAction(About1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(Start);
    PopupMenu1->addAction(Finish);
    PopupMenu1->addAction(Cut);
}

void TVideoForm::CreateToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("Commands"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto add = [this](QAction* action, const char* buttonName) {
        ToolBar1->addAction(action);
        ToolBar1->widgetForAction(action)->setObjectName(QString::fromLatin1(buttonName));
    };
    add(Open1, "ToolButton1");
    add(Savecorrected1, "ToolButton2");
    add(SaveMPEGinformation1, "ToolButton11");
    ToolBar1->addSeparator();
    add(Start1, "ToolButton4");
    add(Abort1, "ToolButton5");
    ToolBar1->addSeparator();
    add(Exit1, "ToolButton9");
}

QWidget* TVideoForm::CreateLeftPart() {
    GroupBox3 = new QGroupBox(QStringLiteral(" Video Processing "));
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setMouseTracking(true);
    GroupBox3->installEventFilter(this);

    CheckBox2 = new QCheckBox(QStringLiteral("Process after opening"));
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));

    ComboBox1 = new QComboBox;
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const TProcessingMode& mode : ProcessingModes()) {
        ComboBox1->addItem(QString::fromUtf8(mode.Name.data(), static_cast<qsizetype>(mode.Name.size())));
    }

    SpinEdit1 = new QSpinBox;
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(kMinBlocksPerPage, kMaxBlocksPerPage);
    SpinEdit1->setSingleStep(kPageSizeStep);
    SpinEdit1->setValue(FTreePageSize);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TVideoForm::SpinEdit1Change);

    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    auto* modeLabel = new QLabel(QStringLiteral("Processing mode:"));
    modeLabel->setBuddy(ComboBox1);
    auto* pageLabel = new QLabel(QStringLiteral("Blocks per Page: "));
    pageLabel->setBuddy(SpinEdit1);
    auto* controls = new QGridLayout;
    controls->addWidget(CheckBox2, 0, 0, 1, 2);
    controls->addWidget(modeLabel, 1, 0);
    controls->addWidget(ComboBox1, 1, 1);
    controls->addWidget(pageLabel, 2, 0);
    controls->addWidget(SpinEdit1, 2, 1);
    controls->setColumnStretch(1, 1);

    // The summary labels: the stream's properties, then its counts.
    auto* panel3 = new QFrame;
    panel3->setObjectName(QStringLiteral("Panel3"));
    auto* panel5 = new QFrame;
    panel5->setObjectName(QStringLiteral("Panel5"));
    for (QFrame* panel : {panel3, panel5}) {
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        auto* layout = new QVBoxLayout(panel);
        layout->setSpacing(2);
        layout->setContentsMargins(6, 4, 6, 4);
    }
    QFrame* panel = panel3;
    for (const TSummaryLabel& caption : SummaryCaptions()) {
        const QString name = QString::fromStdString(caption.Name);
        if (name == kSecondPanelFirstLabel) {
            panel = panel5;
        }
        auto* label = new QLabel(QString::fromStdString(caption.Text));
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        panel->layout()->addWidget(label);
        FLabels[name] = label;
    }
    for (QFrame* panel : {panel3, panel5}) {
        static_cast<QVBoxLayout*>(panel->layout())->addStretch(1);
    }
    auto* panels = new QHBoxLayout;
    panels->addWidget(panel3, 1);
    panels->addWidget(panel5, 1);

    FLog = new TLogPanel;
    auto* layout = new QVBoxLayout(GroupBox3);
    layout->addLayout(controls);
    layout->addWidget(ProgressBar1);
    layout->addLayout(panels);
    layout->addWidget(FLog, 1);
    return GroupBox3;
}

QWidget* TVideoForm::CreateTreePart() {
    auto* part = new QWidget;
    TreeView1 = new QTreeWidget;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setUniformRowHeights(true);
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* item = TreeView1->itemAt(pos)) {
            TreeView1->setCurrentItem(item);
        }
        Guarded(&TVideoForm::PopupMenu1Popup);
        PopupMenu1->exec(TreeView1->viewport()->mapToGlobal(pos));
    });

    ScrollBar1 = new QScrollBar(Qt::Vertical);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setRange(0, 0);

    auto* layout = new QHBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TreeView1, 1);
    layout->addWidget(ScrollBar1);
    return part;
}

void TVideoForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TVideoForm::FormShow() {
    const TSettings shown = ShownSettings(LoadSettings(FSettingsStore));
    FProcessAfterOpen = shown.ProcessAfterOpen;
    FBlocksPerPage = shown.BlocksPerPage;
    FProcessingMode = shown.ProcessingMode;
    CheckBox2->setChecked(FProcessAfterOpen);
    SpinEdit1->setValue(FBlocksPerPage);
    ComboBox1->setCurrentIndex(FProcessingMode);
    FLastPosition = ScrollBar1->value();
    FPositionTicks = 0;
}

void TVideoForm::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        // Stop the work first; the window closes when it has ended.
        FCloseRequested = true;
        ToolButton5Click();
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TVideoForm::FormClose() {
    FStream.reset();
    FProcessAfterOpen = CheckBox2->isChecked();
    FBlocksPerPage = SpinEdit1->value();
    FProcessingMode = ComboBox1->currentIndex();
    if (FShown) {
        SaveSettings(FSettingsStore, {FProcessAfterOpen, FBlocksPerPage, FProcessingMode});
    }
}

void TVideoForm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.constFirst().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void TVideoForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile() || Busy()) {
        return;
    }
    event->acceptProposedAction();
    const QString name = urls.constFirst().toLocalFile();
    // Opening may start a long parse; let the drag end first.
    QMetaObject::invokeMethod(
        this, [this, name] { OpenFile(name); }, Qt::QueuedConnection);
}

bool TVideoForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == GroupBox3 && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
        GroupBox3MouseMove();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVideoForm::AddLog(int kind, const std::string& text, TColour colour) {
    AddLog(kind, QString::fromStdString(text), colour);
}

void TVideoForm::AddLog(int Kind, const QString& Text, TColour Colour) {
    // While an abort is in force only red lines are shown.
    if (FUserAbort && !(Colour == colour::Red)) {
        return;
    }
    FLog->Append(Kind, Text, ToQColor(Colour));
}

void TVideoForm::AnalyserMessage(const QString& Text) {
    AddLog(logkind::Error, Text, colour::DarkRed);
}

void TVideoForm::Guarded(void (TVideoForm::*Operation)()) {
    try {
        (this->*Operation)();
    } catch (const std::exception& error) {
        FDialogs.ShowError(this, QString::fromStdString(error.what()));
    }
}

}  // namespace velmora::gui
