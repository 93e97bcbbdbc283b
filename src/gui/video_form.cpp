// The window's construction and layout, its show and close handling, drops and the log.
#include "video_form.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <iterator>

#include "dialogs.h"
#include "images.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_progress_sink.h"
#include "qt_tree_sink.h"
#include "settings/processing_mode.h"
#include "work_status.h"

namespace velmora::gui {
namespace {

constexpr int kTimerInterval = 200;  // ms between the tree page checks
constexpr int kPageSizeStep = 50;
constexpr int kRecentFileCount = 8;
// The window's own settings, beside the three of the processing.
const std::string kWindowGeometry = "WindowGeometry";
const std::string kSplitterState = "SplitterState";
const std::string kRecentFiles = "RecentFiles";
// The first summary label of the second panel: the counts follow the stream's properties.
const QString kSecondPanelFirstLabel = QStringLiteral("PictureCountLabel");

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

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->addWidget(CreateLeftPart());
    Splitter->addWidget(CreateTreePart());
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setChildrenCollapsible(false);
    setCentralWidget(Splitter);
    CreateStatusBar();

    FProgressSink = std::make_unique<TQtProgressSink>(ProgressBar);
    FTreeSink = std::make_unique<TQtTreeSink>(HeaderTree);

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

    PageTimer = new QTimer(this);
    PageTimer->setObjectName(QStringLiteral("PageTimer"));
    PageTimer->setInterval(kTimerInterval);
    connect(PageTimer, &QTimer::timeout, this, [this] { Guarded(&TVideoForm::PageTimerFired); });
    connect(PageTimer, &QTimer::timeout, this, &TVideoForm::ShowWorkStatus);
    PageTimer->start();

    UpdateCommands();
    ResizeToScreen();
}

void TVideoForm::ResizeToScreen() {
    // 1100 x 760 where it fits; a small or scaled screen gets most of its free area instead.
    QSize size(1100, 760);
    if (const QScreen* screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        size = size.boundedTo(QSize(free.width() * 9 / 10, free.height() * 9 / 10));
    }
    resize(size);
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
    connect(action, &QAction::triggered, this, [this, Operation] { Guarded(Operation); });
    return action;
}

void TVideoForm::CreateActions() {
    QStyle* style = this->style();
    OpenAction = AddAction("OpenAction", QStringLiteral("&Open..."), &TVideoForm::OpenClicked);
    OpenAction->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    OpenAction->setShortcut(QKeySequence::Open);
    SaveCorrectedAction = AddAction("SaveCorrectedAction", QStringLiteral("Save &corrected..."),
                                    &TVideoForm::SaveCorrectedClicked);
    SaveCorrectedAction->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    SaveMpegInformationAction =
        AddAction("SaveMpegInformationAction", QStringLiteral("Save &MPEG information... "),
                  &TVideoForm::SaveMpegInformationClicked);
    SaveMpegInformationAction->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
    SaveDisplayOrderAction =
        AddAction("SaveDisplayOrderAction", QStringLiteral("Save &Display Order information..."),
                  &TVideoForm::SaveDisplayOrderClicked);
    CopySummaryAction =
        AddAction("CopySummaryAction", QStringLiteral("Copy s&ummary"), &TVideoForm::CopySummaryClicked);
    CopySummaryAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    ExportSummaryAction = AddAction("ExportSummaryAction", QStringLiteral("&Export summary..."),
                                    &TVideoForm::ExportSummaryClicked);
    CloseAction = AddAction("CloseAction", QStringLiteral("C&lose"), &TVideoForm::CloseClicked);
    CloseAction->setIcon(style->standardIcon(QStyle::SP_DialogCloseButton));
    CloseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    StartAction = AddAction("StartAction", QStringLiteral("&Start"), &TVideoForm::StartClicked);
    StartAction->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    StartAction->setShortcut(QKeySequence(Qt::Key_F5));
    AbortAction = AddAction("AbortAction", QStringLiteral("&Abort"), &TVideoForm::AbortClicked);
    AbortAction->setIcon(style->standardIcon(QStyle::SP_MediaStop));
    AbortAction->setShortcut(QKeySequence(Qt::Key_Escape));
    SetSequenceEndAction = AddAction("SetSequenceEndAction", QStringLiteral("&Set SEQUENCE_END"),
                                     &TVideoForm::SetSequenceEndClicked);
    DeleteSequenceEndAction = AddAction("DeleteSequenceEndAction", QStringLiteral("&Delete SEQUENCE_END"),
                                        &TVideoForm::DeleteSequenceEndClicked);
    // The delete tool exists but is not offered.
    DeleteSequenceEndAction->setVisible(false);
    CutAllGopsAction =
        AddAction("CutAllGopsAction", QStringLiteral("&Cut all GOPs"), &TVideoForm::CutAllGopsClicked);
    HelpAction = AddAction("HelpAction", QStringLiteral("&Help"), &TVideoForm::HelpClicked);
    HelpAction->setShortcut(QKeySequence::HelpContents);
    VisitHomePageAction = AddAction("VisitHomePageAction", QStringLiteral("&Visit Velmora home page"),
                                    &TVideoForm::VisitHomePageClicked);
    AboutAction = AddAction("AboutAction", QStringLiteral("&About"), &TVideoForm::AboutClicked);
    SetCutStartAction =
        AddAction("SetCutStartAction", QStringLiteral("Set &Start  \\/"), &TVideoForm::SetCutStartClicked);
    SetCutFinishAction =
        AddAction("SetCutFinishAction", QStringLiteral("Set &Finish /\\"), &TVideoForm::SetCutFinishClicked);
    CutToFileAction =
        AddAction("CutToFileAction", QStringLiteral("&Cut to file ..."), &TVideoForm::CutToFileClicked);

    FirstPageAction =
        AddAction("FirstPageAction", QStringLiteral("&First page"), &TVideoForm::FirstPageClicked);
    FirstPageAction->setIcon(style->standardIcon(QStyle::SP_MediaSkipBackward));
    FirstPageAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home));
    PreviousPageAction =
        AddAction("PreviousPageAction", QStringLiteral("&Previous page"), &TVideoForm::PreviousPageClicked);
    PreviousPageAction->setIcon(style->standardIcon(QStyle::SP_MediaSeekBackward));
    PreviousPageAction->setShortcut(QKeySequence(Qt::Key_PageUp));
    NextPageAction = AddAction("NextPageAction", QStringLiteral("&Next page"), &TVideoForm::NextPageClicked);
    NextPageAction->setIcon(style->standardIcon(QStyle::SP_MediaSeekForward));
    NextPageAction->setShortcut(QKeySequence(Qt::Key_PageDown));
    LastPageAction = AddAction("LastPageAction", QStringLiteral("&Last page"), &TVideoForm::LastPageClicked);
    LastPageAction->setIcon(style->standardIcon(QStyle::SP_MediaSkipForward));
    LastPageAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_End));
    GoToAction = AddAction("GoToAction", QStringLiteral("&Go to GOP / picture / time code..."),
                           &TVideoForm::GoToClicked);
    GoToAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));

    // Every command has a key; the tree's commands work while the tree has the focus.
    const std::pair<QAction*, QKeySequence> keys[] = {
        {SaveCorrectedAction, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {SaveMpegInformationAction, QKeySequence::Save},
        {SaveDisplayOrderAction, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {ExportSummaryAction, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {SetSequenceEndAction, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
        {DeleteSequenceEndAction, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete)},
        {CutAllGopsAction, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},
        {VisitHomePageAction, QKeySequence(Qt::CTRL | Qt::Key_F1)},
        {AboutAction, QKeySequence(Qt::SHIFT | Qt::Key_F1)},
        {SetCutStartAction, QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)},
        {SetCutFinishAction, QKeySequence(Qt::CTRL | Qt::Key_BracketRight)},
        {CutToFileAction, QKeySequence(Qt::CTRL | Qt::Key_K)},
    };
    for (const auto& [action, key] : keys) {
        action->setShortcut(key);
    }
    for (QAction* action :
         {FirstPageAction, PreviousPageAction, NextPageAction, LastPageAction, GoToAction}) {
        action->setToolTip(action->text().remove(QLatin1Char('&')) + QStringLiteral(" (") +
                           action->shortcut().toString(QKeySequence::NativeText) + QStringLiteral(")"));
    }
}

void TVideoForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->addAction(OpenAction);
    RecentMenu = file->addMenu(QStringLiteral("Open &recent"));
    RecentMenu->setObjectName(QStringLiteral("RecentMenu"));
    file->addAction(SaveCorrectedAction);
    file->addAction(SaveMpegInformationAction);
    file->addAction(SaveDisplayOrderAction);
    file->addSeparator();
    file->addAction(CopySummaryAction);
    file->addAction(ExportSummaryAction);
    file->addSeparator();
    file->addAction(CloseAction);

    QMenu* processing = menuBar()->addMenu(QStringLiteral("&Processing"));
    processing->setObjectName(QStringLiteral("ProcessingMenu"));
    processing->addAction(StartAction);
    processing->addAction(AbortAction);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    tools->addAction(SetSequenceEndAction);
    tools->addAction(DeleteSequenceEndAction);
    tools->addAction(CutAllGopsAction);

    QMenu* page = menuBar()->addMenu(QStringLiteral("P&age"));
    page->setObjectName(QStringLiteral("PageMenu"));
    page->addAction(FirstPageAction);
    page->addAction(PreviousPageAction);
    page->addAction(NextPageAction);
    page->addAction(LastPageAction);
    page->addSeparator();
    page->addAction(GoToAction);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(HelpAction);
    help->addAction(VisitHomePageAction);
    help->addSeparator();
    help->addAction(AboutAction);

    TreeMenu = new QMenu(this);
    TreeMenu->setObjectName(QStringLiteral("TreeMenu"));
    TreeMenu->addAction(SetCutStartAction);
    TreeMenu->addAction(SetCutFinishAction);
    TreeMenu->addAction(CutToFileAction);
}

void TVideoForm::CreateToolBar() {
    CommandBar = addToolBar(QStringLiteral("Commands"));
    CommandBar->setObjectName(QStringLiteral("CommandBar"));
    CommandBar->setMovable(false);
    CommandBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto add = [this](QAction* action, const char* buttonName) {
        CommandBar->addAction(action);
        CommandBar->widgetForAction(action)->setObjectName(QString::fromLatin1(buttonName));
    };
    add(OpenAction, "OpenButton");
    add(SaveCorrectedAction, "SaveCorrectedButton");
    add(SaveMpegInformationAction, "SaveMpegInformationButton");
    CommandBar->addSeparator();
    add(StartAction, "StartButton");
    add(AbortAction, "AbortButton");
    CommandBar->addSeparator();
    add(CloseAction, "CloseButton");
}

void TVideoForm::CreateStatusBar() {
    const auto addLabel = [this](const char* Name) {
        auto* label = new QLabel;
        label->setObjectName(QString::fromLatin1(Name));
        statusBar()->addPermanentWidget(label);
        return label;
    };
    StatusFile = addLabel("StatusFile");
    StatusSize = addLabel("StatusSize");
    StatusMode = addLabel("StatusMode");
    StatusWork = addLabel("StatusWork");
    StatusWork->setVisible(false);
    connect(ModeBox, &QComboBox::currentIndexChanged, this, &TVideoForm::ShowFileStatus);
    ShowFileStatus();
}

void TVideoForm::ShowFileStatus() {
    StatusFile->setText(QFileInfo(FFileName).fileName());
    StatusFile->setToolTip(FFileName);
    StatusSize->setText(FFileName.isEmpty() ? QString() : FileSizeText(QFileInfo(FFileName).size()));
    StatusMode->setText(ModeBox->currentIndex() < 0 ? QStringLiteral("Quick") : ModeBox->currentText());
}

void TVideoForm::ShowWorkStatus() {
    StatusWork->setVisible(Busy());
    if (!Busy()) {
        return;
    }
    const double share = static_cast<double>(FProgressSink->Shown()) / TQtProgressSink::kSteps;
    StatusWork->setText(
        WorkStatusText(share, static_cast<double>(FJobClock.elapsed()) / 1000, QFileInfo(FFileName).size()));
}

QWidget* TVideoForm::CreateLeftPart() {
    ProcessingPart = new QGroupBox(QStringLiteral(" Video Processing "));
    ProcessingPart->setObjectName(QStringLiteral("ProcessingPart"));
    ProcessingPart->setMouseTracking(true);
    ProcessingPart->installEventFilter(this);

    ProcessAfterOpenBox = new QCheckBox(QStringLiteral("Process after opening"));
    ProcessAfterOpenBox->setObjectName(QStringLiteral("ProcessAfterOpenBox"));

    ModeBox = new QComboBox;
    ModeBox->setObjectName(QStringLiteral("ModeBox"));
    for (const TProcessingMode& mode : ProcessingModes()) {
        ModeBox->addItem(QString::fromUtf8(mode.Name.data(), static_cast<qsizetype>(mode.Name.size())));
    }
    const QString modeTips[] = {
        QStringLiteral("Statistics only: no header list, no analysis cache."),
        QStringLiteral("Lists the headers of the first run of pictures only."),
        QStringLiteral("Lists every header; reads the analysis cache (.vnf) when it is valid, else scans and "
                       "writes it."),
        QStringLiteral("Scans the whole file and also lists user data, picture data and foreign start codes; "
                       "no cache."),
        QStringLiteral("As Show tree, but always scans and writes a new analysis cache."),
    };
    for (int i = 0; i < ModeBox->count() && i < static_cast<int>(std::size(modeTips)); ++i) {
        ModeBox->setItemData(i, modeTips[i], Qt::ToolTipRole);
    }

    PageSizeBox = new QSpinBox;
    PageSizeBox->setObjectName(QStringLiteral("PageSizeBox"));
    PageSizeBox->setRange(kMinBlocksPerPage, kMaxBlocksPerPage);
    PageSizeBox->setSingleStep(kPageSizeStep);
    PageSizeBox->setValue(FTreePageSize);
    connect(PageSizeBox, &QSpinBox::valueChanged, this, &TVideoForm::PageSizeChanged);

    ProgressBar = new QProgressBar;
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    auto* modeLabel = new QLabel(QStringLiteral("Processing mode:"));
    modeLabel->setBuddy(ModeBox);
    auto* pageLabel = new QLabel(QStringLiteral("Blocks per Page: "));
    pageLabel->setBuddy(PageSizeBox);
    auto* controls = new QGridLayout;
    controls->addWidget(ProcessAfterOpenBox, 0, 0, 1, 2);
    controls->addWidget(modeLabel, 1, 0);
    controls->addWidget(ModeBox, 1, 1);
    controls->addWidget(pageLabel, 2, 0);
    controls->addWidget(PageSizeBox, 2, 1);
    controls->setColumnStretch(1, 1);

    // The summary labels: the stream's properties, then its counts.
    auto* panel3 = StreamPanel = new QFrame;
    panel3->setObjectName(QStringLiteral("StreamPanel"));
    auto* panel5 = CountsPanel = new QFrame;
    panel5->setObjectName(QStringLiteral("CountsPanel"));
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
    connect(FLog, &TLogPanel::SaveRequested, this, [this] { Guarded(&TVideoForm::SaveLogClicked); });
    auto* layout = new QVBoxLayout(ProcessingPart);
    layout->addLayout(controls);
    layout->addWidget(ProgressBar);
    layout->addLayout(panels);
    layout->addWidget(FLog, 1);
    return ProcessingPart;
}

QWidget* TVideoForm::CreateTreePart() {
    auto* part = new QWidget;
    HeaderTree = new QTreeWidget;
    HeaderTree->setObjectName(QStringLiteral("HeaderTree"));
    HeaderTree->setHeaderHidden(true);
    HeaderTree->setColumnCount(1);
    HeaderTree->setUniformRowHeights(true);
    HeaderTree->setContextMenuPolicy(Qt::CustomContextMenu);
    // The tree's commands work by key while the tree has the focus.
    for (QAction* action : TreeMenu->actions()) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        HeaderTree->addAction(action);
    }
    connect(HeaderTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* item = HeaderTree->itemAt(pos)) {
            HeaderTree->setCurrentItem(item);
        }
        Guarded(&TVideoForm::TreeMenuAboutToShow);
        TreeMenu->exec(HeaderTree->viewport()->mapToGlobal(pos));
    });

    PageScrollBar = new QScrollBar(Qt::Vertical);
    PageScrollBar->setObjectName(QStringLiteral("PageScrollBar"));
    PageScrollBar->setRange(0, 0);
    connect(PageScrollBar, &QScrollBar::valueChanged, this, [this] { ShowPagePosition(); });

    auto* pageBar = new QHBoxLayout;
    pageBar->setContentsMargins(2, 2, 2, 2);
    const auto addButton = [pageBar](QAction* action, const char* name) {
        auto* button = new QToolButton;
        button->setObjectName(QString::fromLatin1(name));
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        pageBar->addWidget(button);
    };
    addButton(FirstPageAction, "FirstPageButton");
    addButton(PreviousPageAction, "PreviousPageButton");
    PageLabel = new QLabel;
    PageLabel->setObjectName(QStringLiteral("PageLabel"));
    PageLabel->setAlignment(Qt::AlignCenter);
    pageBar->addWidget(PageLabel, 1);
    addButton(NextPageAction, "NextPageButton");
    addButton(LastPageAction, "LastPageButton");
    auto* goTo = new QToolButton;
    goTo->setObjectName(QStringLiteral("GoToButton"));
    GoToAction->setIconText(QStringLiteral("Go to..."));
    goTo->setDefaultAction(GoToAction);
    goTo->setToolButtonStyle(Qt::ToolButtonTextOnly);
    pageBar->addWidget(goTo);

    auto* tree = new QHBoxLayout;
    tree->setContentsMargins(0, 0, 0, 0);
    tree->setSpacing(0);
    tree->addWidget(HeaderTree, 1);
    tree->addWidget(PageScrollBar);
    auto* layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(tree, 1);
    layout->addLayout(pageBar);
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
    ProcessAfterOpenBox->setChecked(FProcessAfterOpen);
    PageSizeBox->setValue(FBlocksPerPage);
    ModeBox->setCurrentIndex(FProcessingMode);
    FLastPosition = PageScrollBar->value();
    FPositionTicks = 0;
    if (const std::optional<std::string> geometry = FSettingsStore.ReadString(kWindowGeometry)) {
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*geometry)));
    }
    if (const std::optional<std::string> sizes = FSettingsStore.ReadString(kSplitterState)) {
        Splitter->restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*sizes)));
    }
    ShowRecentFiles();
}

QStringList TVideoForm::RecentFiles() const {
    const QString stored =
        QString::fromStdString(FSettingsStore.ReadString(kRecentFiles).value_or(std::string()));
    return stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TVideoForm::RememberRecentFile(const QString& FileName) {
    QStringList files = RecentFiles();
    files.removeAll(FileName);
    files.prepend(FileName);
    FSettingsStore.WriteString(kRecentFiles,
                               files.mid(0, kRecentFileCount).join(QLatin1Char('\n')).toStdString());
    ShowRecentFiles();
}

void TVideoForm::ShowRecentFiles() {
    RecentMenu->clear();
    const QStringList files = RecentFiles();
    for (int i = 0; i < files.size() && i < kRecentFileCount; ++i) {
        const QString file = files[i];
        QAction* action =
            RecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()));
        action->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
        action->setToolTip(file);
        connect(action, &QAction::triggered, this, [this, file] { OpenFile(file); });
    }
    RecentMenu->setEnabled(!files.isEmpty());
}

void TVideoForm::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        // Stop the work first; the window closes when it has ended.
        FCloseRequested = true;
        AbortClicked();
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TVideoForm::FormClose() {
    FStream.reset();
    FProcessAfterOpen = ProcessAfterOpenBox->isChecked();
    FBlocksPerPage = PageSizeBox->value();
    FProcessingMode = ModeBox->currentIndex();
    if (FShown) {
        SaveSettings(FSettingsStore, {FProcessAfterOpen, FBlocksPerPage, FProcessingMode});
        FSettingsStore.WriteString(kWindowGeometry, saveGeometry().toBase64().toStdString());
        FSettingsStore.WriteString(kSplitterState, Splitter->saveState().toBase64().toStdString());
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
    if (watched == ProcessingPart && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
        ProcessingPartMouseMove();
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
    FAnalysisMessages.push_back(Text.toStdString());
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
