// The processing driver seen from the window: controls at start, Open and Start in each mode with the
// labels and log lines they leave, the unopenable file, the scroll bar, tree paging and Abort.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "gui_test_support.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_tree_sink.h"
#include "tree_paging.h"

using namespace velmora;
using namespace velmora::gui;

namespace {

QAction* Action(TVideoForm& form, const char* name) {
    return form.findChild<QAction*>(QString::fromLatin1(name));
}
QLabel* Label(TVideoForm& form, const char* name) {
    return form.findChild<QLabel*>(QString::fromLatin1(name));
}

struct TLogLine {
    QString Text;
    int Kind;
    QColor Colour;
};

TLogLine LogLine(const TVideoForm& form, int row) {
    return {form.Log()->EntryText(row), form.Log()->EntryKind(row), form.Log()->EntryColour(row)};
}

}  // namespace

class TProcessingWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::UseScratchSettings(settingsDir_); }
    void init() { test::ClearSettings(); }

    void controlsAtStart() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Velmora"));
        const struct {
            const char* name;
            const char* caption;
            bool enabled;
            bool visible;
        } actions[] = {
            {"OpenAction", "Open...", true, true},
            {"SaveCorrectedAction", "Save corrected...", false, true},
            {"SaveMpegInformationAction", "Save MPEG information... ", false, true},
            {"SaveDisplayOrderAction", "Save Display Order information...", false, true},
            {"CloseAction", "Close", true, true},
            {"StartAction", "Start", false, true},
            {"AbortAction", "Abort", false, true},
            {"SetSequenceEndAction", "Set SEQUENCE_END", true, true},
            {"DeleteSequenceEndAction", "Delete SEQUENCE_END", false,
             false},  // a hidden action reads disabled
            {"CutAllGopsAction", "Cut all GOPs", true, true},
            {"VisitHomePageAction", "Visit Velmora home page", true, true},
            {"AboutAction", "About", true, true},
            {"SetCutStartAction", "Set Start  \\/", true, true},
            {"SetCutFinishAction", "Set Finish /\\", false, true},
            {"CutToFileAction", "Cut to file ...", false, true},
        };
        for (const auto& a : actions) {
            QAction* action = Action(form, a.name);
            QVERIFY2(action != nullptr, a.name);
            QCOMPARE(action->text(), QString::fromLatin1(a.caption));
            QCOMPARE(action->isVisible(), a.visible);
            if (QString::fromLatin1(a.name) !=
                QStringLiteral("SetCutStartAction")) {  // decided when the menu opens
                QVERIFY2(action->isEnabled() == a.enabled, a.name);
            }
        }
        for (const char* button : {"OpenButton", "SaveCorrectedButton", "SaveMpegInformationButton",
                                   "StartButton", "AbortButton", "CloseButton"}) {
            QVERIFY2(form.findChild<QToolButton*>(QString::fromLatin1(button)) != nullptr, button);
        }
        auto* combo = form.findChild<QComboBox*>(QStringLiteral("ModeBox"));
        QStringList modes;
        for (int i = 0; i < combo->count(); ++i) {
            modes.append(combo->itemText(i));
        }
        QCOMPARE(modes, QStringList(
                            {"Quick", "Show first GOP", "Show tree", "Show extended tree", "Rewrite cache"}));
        auto* spin = form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"));
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->maximum(), 2000);
        QCOMPARE(spin->singleStep(), 50);
        QCOMPARE(form.findChild<QGroupBox*>(QStringLiteral("ProcessingPart"))->title(),
                 QStringLiteral(" Video Processing "));
        for (const TSummaryLabel& caption : SummaryCaptions()) {
            QLabel* label = form.findChild<QLabel*>(QString::fromStdString(caption.Name));
            QVERIFY(label != nullptr);
            QCOMPARE(label->text(), QString::fromStdString(caption.Text));
        }
        QVERIFY(form.findChild<QScrollBar*>(QStringLiteral("PageScrollBar")) != nullptr);
        QVERIFY(form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree")) != nullptr);
        QVERIFY(form.findChild<QMenu*>(QStringLiteral("TreeMenu")) != nullptr);
    }

    void openAndStartInEachMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("listsHeaders");
        QTest::newRow("Quick") << 0 << false;
        QTest::newRow("Show first GOP") << 1 << true;
        QTest::newRow("Show tree") << 2 << true;
        QTest::newRow("Show extended tree") << 3 << true;
        QTest::newRow("Rewrite cache") << 4 << true;
        QTest::newRow("no mode runs as Quick") << -1 << false;
    }
    void openAndStartInEachMode() {
        QFETCH(int, mode);
        QFETCH(bool, listsHeaders);
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QString sample = test::SamplePath();
        dialogs.OpenAnswers.push_back(sample);
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(mode);
        form.OpenClicked();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Velmora - ") + sample);

        QVERIFY(form.Log()->topLevelItemCount() >= 3);
        const TLogLine open = LogLine(form, 0);
        QCOMPARE(open.Text, QStringLiteral("Open file: ") + sample + QStringLiteral("."));
        QCOMPARE(open.Kind, 1);
        QCOMPARE(open.Colour, QColor(0, 0, 100));
        const TLogLine starting = LogLine(form, 1);
        QCOMPARE(starting.Text, QStringLiteral("Starting processing of the file: ") + sample);
        QCOMPARE(starting.Kind, 1);
        QCOMPARE(starting.Colour, QColor(0, 0, 100));
        const TLogLine finished = LogLine(form, form.Log()->topLevelItemCount() - 1);
        QCOMPARE(finished.Text, QStringLiteral("Processing of MPEG-file is finished."));
        QCOMPARE(finished.Kind, 1);
        QCOMPARE(finished.Colour, QColor(0, 100, 0));

        QCOMPARE(Label(form, "ResolutionLabel")->text(), QStringLiteral("Resolution: PAL"));
        QCOMPARE(Label(form, "SizeLabel")->text(), QStringLiteral("Size: 720 x 576"));
        QCOMPARE(Label(form, "EncodeTypeLabel")->text(), QStringLiteral("Encode Type: MPEG 2"));
        // The window shows the core's summary texts, label by label.
        for (const TSummaryText& text : SummaryTexts(*form.Stream())) {
            if (text.Text) {
                QCOMPARE(form.findChild<QLabel*>(QString::fromStdString(text.Name))->text(),
                         QString::fromStdString(*text.Text));
            }
        }

        auto* scroll = form.findChild<QScrollBar*>(QStringLiteral("PageScrollBar"));
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));
        const int64_t count = form.Stream()->HeaderCount();
        QCOMPARE(count > 0, listsHeaders);
        const TScrollSetUp expected = ScrollSetUpFor(count);
        QCOMPARE(scroll->minimum(), expected.Minimum);
        QCOMPARE(scroll->maximum(), expected.Maximum);
        QCOMPARE(scroll->value(), expected.Position);
        if (listsHeaders) {
            QVERIFY(tree->topLevelItemCount() > 0);
            QVERIFY(tree->topLevelItem(0)->text(0).startsWith(QStringLiteral("Sequence header ( ")));
        } else {
            QCOMPARE(tree->topLevelItemCount(), 0);
        }
        // The sample holds no foreign data.
        QVERIFY(!Action(form, "SaveCorrectedAction")->isEnabled());
        for (const char* name :
             {"StartAction", "AbortAction", "SaveMpegInformationAction", "SaveDisplayOrderAction"}) {
            QVERIFY2(Action(form, name)->isEnabled(), name);
        }
        QFile::remove(sample + QStringLiteral(".vnf"));
    }

    void labelsOfTheTestStreams_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("NTSC") << "ntsc_interlaced.m2v"
                              << QStringList{"Resolution: NTSC", "Data Start Time: 00:00:00.00 (30 fps)"};
        QTest::newRow("drop frame") << "drop_frame.m2v"
                                    << QStringList{"Drop Type: Drop frame",
                                                   "Data Start Time: 01:00:00.00 (30 fps)"};
        QTest::newRow("MPEG-1") << "mpeg1.m1v" << QStringList{"Encode Type: MPEG 1", "Resolution: PAL"};
        QTest::newRow("pulldown") << "soft_pulldown.m2v"
                                  << QStringList{"Is PullDown: Yes", "Resolution: NTSC"};
    }
    void labelsOfTheTestStreams() {
        QFETCH(QString, file);
        QFETCH(QStringList, labels);
        const QString path = test::TestDataPath(file);
        if (path.isEmpty()) {
            QSKIP("the test stream is not there");
        }
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, path, 3));
        QStringList shown;
        for (const TSummaryLabel& caption : SummaryCaptions()) {
            shown.append(form.findChild<QLabel*>(QString::fromStdString(caption.Name))->text());
        }
        for (const QString& label : labels) {
            QVERIFY2(shown.contains(label), qPrintable(label));
        }
    }

    void openWithoutProcessAfterOpenWaitsForStart() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
        form.OpenFile(test::SamplePath());
        QVERIFY(!form.Busy());
        QVERIFY(form.Stream() == nullptr);
        QCOMPARE(test::LogTexts(form).size(), 1);
        QVERIFY(Action(form, "StartAction")->isEnabled());
        Action(form, "StartAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        QVERIFY(form.Stream() != nullptr);
        QCOMPARE(test::LogTexts(form).constLast(), QStringLiteral("Processing of MPEG-file is finished."));
    }

    void unopenableFileIsLoggedAndLeavesNoAnalyser() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, test::SamplePath(), 0));
        QVERIFY(form.Stream() != nullptr);
        const QString missing = QStringLiteral("/nonexistent-folder/missing.m2v");
        QVERIFY(test::OpenAndProcess(form, missing, 0));
        QVERIFY(form.Stream() == nullptr);
        const TLogLine last = LogLine(form, form.Log()->topLevelItemCount() - 1);
        QCOMPARE(last.Text, QStringLiteral("Can not open file missing.m2v !"));
        QCOMPARE(last.Kind, 2);
        QCOMPARE(last.Colour, QColor(255, 0, 0));
        // The reader's own message box came first.
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(dialogs.Messages.constFirst().contains(QStringLiteral("missing.m2v")));
        QVERIFY(!form.Busy());
        // Commands that need an analyser do nothing now.
        form.SetSequenceEndClicked();
        form.CutAllGopsClicked();
        QVERIFY(!form.Busy());
    }

    void scrollBarSetUpByRecordCount_data() {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::newRow("empty") << qint64(0) << 0 << 0;
        QTest::newRow("1") << qint64(1) << 1 << 1;
        QTest::newRow("59") << qint64(59) << 59 << 1;
        QTest::newRow("60") << qint64(60) << 0 << 0;
        QTest::newRow("61") << qint64(61) << 1 << 1;
        QTest::newRow("1000") << qint64(1000) << 940 << 1;
    }
    void scrollBarSetUpByRecordCount() {
        QFETCH(qint64, count);
        QFETCH(int, maximum);
        QFETCH(int, position);
        const TScrollSetUp setUp = ScrollSetUpFor(count);
        QCOMPARE(setUp.Minimum, 0);
        QCOMPARE(setUp.Maximum, maximum);
        QCOMPARE(setUp.Position, position);
    }

    void treePagesFollowTheScrollBarByTimerAndMouse() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.findChild<QTimer*>(QStringLiteral("PageTimer"))->stop();  // ticks are driven by the test
        form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->setValue(20);
        QVERIFY(test::OpenAndProcess(form, test::SamplePath(), 3));
        auto* scroll = form.findChild<QScrollBar*>(QStringLiteral("PageScrollBar"));
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));
        QVERIFY(scroll->maximum() > 100);
        const int firstPageData = TQtTreeSink::NodeData(tree->topLevelItem(0));
        QCOMPARE(firstPageData, 0);

        // Five ticks on a new position build its page, about a second after the move.
        const int lastPosition = form.LastPosition();
        scroll->setValue(50);
        for (int tick = 1; tick <= 4; ++tick) {
            form.PageTimerFired();
            QCOMPARE(form.PositionTicks(), tick);
            QCOMPARE(form.LastPosition(), lastPosition);
        }
        form.PageTimerFired();
        QCOMPARE(form.LastPosition(), 50);
        QCOMPARE(form.PositionTicks(), 0);
        // Record 50 is entry index 49; a coding extension opening the page is skipped.
        const int data = TQtTreeSink::NodeData(tree->topLevelItem(0));
        QVERIFY(data == 49 || data == 50);
        QVERIFY(tree->topLevelItemCount() <= 20);

        // Back in the left part after one tick: the page comes at once.
        scroll->setValue(80);
        form.ProcessingPartMouseMove();
        QCOMPARE(form.LastPosition(), 50);
        form.PageTimerFired();
        form.ProcessingPartMouseMove();
        QCOMPARE(form.LastPosition(), 80);
        const int moved = TQtTreeSink::NodeData(tree->topLevelItem(0));
        QVERIFY(moved == 79 || moved == 80);
        QFile::remove(test::SamplePath() + QStringLiteral(".vnf"));
    }

    void abortEndsALongParseAndFiltersTheLog() {
        // A long stream: the sample many times over.
        QTemporaryDir dir;
        const QString longStream = dir.filePath(QStringLiteral("long.m2v"));
        QVERIFY(test::WriteRepeatedSample(longStream, 60));
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(3);
        form.OpenFile(longStream);
        QVERIFY(form.Busy());
        // A second job cannot start while this one runs.
        QVERIFY(!Action(form, "StartAction")->isEnabled());
        QVERIFY(!Action(form, "OpenAction")->isEnabled());
        QVERIFY(!Action(form, "CutAllGopsAction")->isEnabled());
        QVERIFY(Action(form, "AbortAction")->isEnabled());
        Action(form, "AbortAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        const TLogLine last = LogLine(form, form.Log()->topLevelItemCount() - 1);
        QCOMPARE(last.Text, QStringLiteral("Processing of MPEG-file is aborted by user."));
        QCOMPARE(last.Kind, 2);
        QCOMPARE(last.Colour, QColor(255, 0, 0));
        QVERIFY(form.Stream()->FAborted);
        // The run ended early, long before the 60 copies of the sample's GOPs were read.
        QVERIFY(form.Stream()->FGopCount < 60 * 9);
        // Only red lines pass until the next Start.
        form.AddLog(1, QStringLiteral("dropped"), colour::DarkBlue);
        QVERIFY(!test::LogTexts(form).contains(QStringLiteral("dropped")));
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(0);
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
        form.OpenFile(test::SamplePath());
        QVERIFY(!test::LogTexts(form).contains(QStringLiteral("Open file: ") + test::SamplePath() +
                                               QStringLiteral(".")));
        form.StartClicked();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(test::LogTexts(form).constLast(), QStringLiteral("Processing of MPEG-file is finished."));
    }

    void closingWhileBusyAbortsAndCloses() {
        QTemporaryDir dir;
        const QString longStream = dir.filePath(QStringLiteral("long.m2v"));
        QVERIFY(test::WriteRepeatedSample(longStream, 60));
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(3);
        form.OpenFile(longStream);
        QVERIFY(form.Busy());
        form.close();
        QVERIFY(form.isVisible());  // closes once the work has stopped
        QVERIFY(test::WaitForJob(form));
        QTRY_VERIFY(!form.isVisible());
        QVERIFY(form.Stream() == nullptr);
    }

    void droppedFileIsOpenedAndProcessed() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(test::SamplePath())});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &drop);
        QTRY_VERIFY(form.Stream() != nullptr);
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Velmora - ") + test::SamplePath());
        QCOMPARE(test::LogTexts(form).constLast(), QStringLiteral("Processing of MPEG-file is finished."));
    }

    void keyboardShortcutsForOpenStartAndAbort() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
        dialogs.OpenAnswers = {test::SamplePath()};
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form.windowTitle(), QStringLiteral("Velmora - ") + test::SamplePath());
        QVERIFY(form.Stream() == nullptr);
        QTest::keyClick(&form, Qt::Key_F5);
        QVERIFY(form.Stream() != nullptr);
        QVERIFY(test::WaitForJob(form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.UserAbort());
    }

    void helpCommands() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        Action(form, "AboutAction")->trigger();
        QCOMPARE(dialogs.AboutCount, 1);
        Action(form, "VisitHomePageAction")->trigger();
        QCOMPARE(dialogs.Urls.size(), size_t{1});
        QCOMPARE(dialogs.Urls.front().scheme(), QStringLiteral("https"));
    }

  private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(TProcessingWindowTest)
#include "processing_window_test.moc"
