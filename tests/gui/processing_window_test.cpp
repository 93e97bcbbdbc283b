// The processing driver seen from the window: controls at start, Open and Start in each mode with the
// labels and log lines they leave, the unopenable file, the scroll bar, tree paging and Abort.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <QStatusBar>

#include "analysis/header_kinds.h"
#include "dialogs.h"
#include "gui_test_support.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_tree_sink.h"
#include "record_search.h"
#include "tree_paging.h"
#include "work_status.h"

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
            {"SetSequenceEndAction", "Set SEQUENCE_END", false, true},  // tools need an analysis
            {"DeleteSequenceEndAction", "Delete SEQUENCE_END", false,
             false},  // a hidden action reads disabled
            {"CutAllGopsAction", "Cut all GOPs", false, true},
            {"VisitHomePageAction", "Visit Velmora home page", true, true},
            {"AboutAction", "About", true, true},
            {"SetCutStartAction", "Set Start  \\/", true, true},
            {"SetCutFinishAction", "Set Finish /\\", false, true},
            {"CutToFileAction", "Cut to file ...", false, true},
        };
        for (const auto& a : actions) {
            QAction* action = Action(form, a.name);
            QVERIFY2(action != nullptr, a.name);
            // The captions carry mnemonics.
            QCOMPARE(action->text().remove(QLatin1Char('&')), QString::fromLatin1(a.caption));
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
        const TScrollSetUp expected = ScrollSetUpFor(count, 150);
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
        for (const char* name : {"StartAction", "SaveMpegInformationAction", "SaveDisplayOrderAction",
                                 "SetSequenceEndAction", "CutAllGopsAction"}) {
            QVERIFY2(Action(form, name)->isEnabled(), name);
        }
        QVERIFY(!Action(form, "AbortAction")->isEnabled());  // nothing runs
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

    void scrollBarReachesEveryRecordForEachPageSize() {
        for (const int64_t count : {int64_t{1}, int64_t{59}, int64_t{60}, int64_t{61}, int64_t{1000}}) {
            for (const int size : {1, 20, 60, 150, 2000}) {
                const TScrollSetUp setUp = ScrollSetUpFor(count, size);
                const QByteArray where =
                    QByteArray::number(qint64(count)) + " records, page " + QByteArray::number(size);
                QVERIFY2(setUp.Minimum == 1 && setUp.Position == 1, where);
                // The last position's page ends on the last record, and no position shows an empty page.
                QVERIFY2(setUp.Maximum + size - 1 >= count, where);
                QVERIFY2(setUp.Maximum == 1 || setUp.Maximum + size - 1 == count, where);
                QVERIFY2(setUp.Maximum <= count, where);
                QCOMPARE(setUp.PageStep, size);
            }
        }
        const TScrollSetUp empty = ScrollSetUpFor(0, 150);
        QCOMPARE(empty.Minimum, 0);
        QCOMPARE(empty.Maximum, 0);
        QCOMPARE(empty.Position, 0);
    }

    void pagePlaceArithmetic() {
        const struct {
            int64_t count;
            int size;
            int64_t position;
            TPagePlace place;
        } cases[] =
            {
                {0, 150, 0, {0, 0, 0, 0}},
                {1, 150, 1, {1, 1, 1, 1}},
                {100, 20, 1, {1, 5, 1, 20}},
                {100, 20, 21, {2, 5, 21, 40}},
                {100, 20, 30, {2, 5, 30, 49}},  // the scroll bar stops between pages too
                {100, 20, 81, {5, 5, 81, 100}},
                {101, 20, 82, {6, 6, 82, 101}},  // the last page ends on the last record
                {1000, 150, 851, {7, 7, 851, 1000}},
            };
        for (const auto& c : cases) {
            const TPagePlace place = PagePlaceAt(c.count, c.size, c.position);
            const QByteArray where = QByteArray::number(qint64(c.count)) + "/" + QByteArray::number(c.size) +
                                     "@" + QByteArray::number(qint64(c.position));
            QVERIFY2(place.Page == c.place.Page && place.Pages == c.place.Pages, where);
            QVERIFY2(place.First == c.place.First && place.Last == c.place.Last, where);
        }
    }

    void pagingButtonsKeysAndGoTo() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<QTimer*>(QStringLiteral("PageTimer"))->stop();
        form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->setValue(20);
        QVERIFY(test::OpenAndProcess(form, test::SamplePath(), 3));
        auto* scroll = form.findChild<QScrollBar*>(QStringLiteral("PageScrollBar"));
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));
        auto* label = form.findChild<QLabel*>(QStringLiteral("PageLabel"));
        const int64_t count = form.Stream()->HeaderCount();
        const int64_t pages = (count + 19) / 20;
        const auto firstShown = [tree] { return TQtTreeSink::NodeData(tree->topLevelItem(0)); };
        const QString of = QStringLiteral(" of %1)").arg(count);

        QCOMPARE(label->text(), QStringLiteral("Page 1 of %1 (records 1\u201320").arg(pages) + of);
        QVERIFY(!Action(form, "FirstPageAction")->isEnabled());
        QVERIFY(!Action(form, "PreviousPageAction")->isEnabled());
        Action(form, "NextPageAction")->trigger();
        QCOMPARE(scroll->value(), 21);
        QVERIFY(firstShown() == 20 || firstShown() == 21);  // a coding extension opening a page is skipped
        QCOMPARE(label->text(), QStringLiteral("Page 2 of %1 (records 21\u201340").arg(pages) + of);
        QTest::keyClick(&form, Qt::Key_PageDown);
        QCOMPARE(scroll->value(), 41);
        QTest::keyClick(&form, Qt::Key_PageUp);
        QCOMPARE(scroll->value(), 21);
        Action(form, "LastPageAction")->trigger();
        QCOMPARE(scroll->value(), scroll->maximum());
        QCOMPARE(tree->topLevelItem(tree->topLevelItemCount() - 1)->text(0), QStringLiteral("FILE END"));
        QCOMPARE(
            label->text(),
            QStringLiteral("Page %1 of %1 (records %2\u2013%3").arg(pages).arg(count - 19).arg(count) + of);
        QVERIFY(!Action(form, "NextPageAction")->isEnabled());
        Action(form, "FirstPageAction")->trigger();
        QCOMPARE(scroll->value(), 1);
        QCOMPARE(firstShown(), 0);

        // A click in the trough moves a whole page; a new page size draws the page again.
        scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(scroll->value(), 21);
        form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->setValue(50);
        QVERIFY(tree->topLevelItemCount() > 20);
        QCOMPARE(form.LastPosition(), 21);
        QVERIFY(label->text().startsWith(
            QStringLiteral("Page 1 of %1 (records 21\u201370").arg((count + 49) / 50)));

        // Go to a GOP, a picture, a time code; what is not there is said in the status bar.
        const THeaderList& headers = form.Stream()->FHeaders;
        const auto nth = [&headers](int32_t kind, int n) {
            for (int64_t i = 0; i < headers.size(); ++i) {
                if (headers.Kind(i) == kind && --n == 0) {
                    return i;
                }
            }
            return int64_t{-1};
        };
        const TGopHeaderRecord third = headers[nth(kind::GopHeader, 3)].As<TGopHeaderRecord>();
        const QString thirdTime = QStringLiteral("%1:%2:%3:%4")
                                      .arg(third.time_code_hours)
                                      .arg(third.time_code_minutes)
                                      .arg(third.time_code_seconds)
                                      .arg(third.time_code_pictures);
        dialogs.GoToAnswers = {{TGoToKind::Gop, QStringLiteral("3")},
                               {TGoToKind::Picture, QStringLiteral("40")},
                               {TGoToKind::TimeCode, thirdTime},
                               {TGoToKind::Gop, QStringLiteral("99999")}};
        const int64_t expected[] = {nth(kind::GopHeader, 3), nth(kind::PictureHeader, 40),
                                    nth(kind::GopHeader, 3)};
        for (const int64_t index : expected) {
            QTest::keyClick(&form, Qt::Key_G, Qt::ControlModifier);
            QVERIFY(tree->currentItem() != nullptr);
            QCOMPARE(TQtTreeSink::NodeData(tree->currentItem()), index);
        }
        QTest::keyClick(&form, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Not found: 99999"));
        // Texts that name nothing find nothing.
        const TGoToRequest nothing[] = {{TGoToKind::Gop, QStringLiteral("x")},
                                        {TGoToKind::Picture, QStringLiteral("0")},
                                        {TGoToKind::Picture, QStringLiteral("-3")},
                                        {TGoToKind::TimeCode, QStringLiteral("1:2")},
                                        {TGoToKind::TimeCode, QStringLiteral("00:00:00:00:00")}};
        for (const TGoToRequest& request : nothing) {
            QVERIFY2(!FindRecord(headers, request), qPrintable(request.Text));
        }
    }

    void lastRecordShownForEachPageSize() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.findChild<QTimer*>(QStringLiteral("PageTimer"))->stop();
        QVERIFY(test::OpenAndProcess(form, test::SamplePath(), 3));
        auto* scroll = form.findChild<QScrollBar*>(QStringLiteral("PageScrollBar"));
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));
        auto* size = form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"));
        const int64_t count = form.Stream()->HeaderCount();
        QVERIFY(count > 150 && count < 2000);
        for (const int pageSize : {1, 20, 60, 150, 2000}) {
            size->setValue(pageSize);
            scroll->setValue(scroll->maximum());
            for (int tick = 0; tick < 5; ++tick) {
                form.PageTimerFired();
            }
            QVERIFY(tree->topLevelItemCount() > 0);
            QCOMPARE(TQtTreeSink::NodeData(tree->topLevelItem(tree->topLevelItemCount() - 1)), count - 1);
            QCOMPARE(tree->topLevelItem(tree->topLevelItemCount() - 1)->text(0), QStringLiteral("FILE END"));
        }
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
        // Only red lines pass until the next command.
        form.AddLog(1, QStringLiteral("dropped"), colour::DarkBlue);
        QVERIFY(!test::LogTexts(form).contains(QStringLiteral("dropped")));
        // Every command starts with the abort forgotten: the tool and Open log their lines.
        QVERIFY(!Action(form, "AbortAction")->isEnabled());
        form.SetSequenceEndClicked();
        QCOMPARE(test::LogTexts(form).constLast(), QStringLiteral("SEQUENCE_END code was seted."));
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(0);
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
        form.OpenFile(test::SamplePath());
        QCOMPARE(test::LogTexts(form),
                 QStringList{QStringLiteral("Open file: ") + test::SamplePath() + QStringLiteral(".")});
        form.StartClicked();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(test::LogTexts(form).constLast(), QStringLiteral("Processing of MPEG-file is finished."));
    }

    void abortWhileTheAnalyserMakesNoCallIsStillReported_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("valid cache loaded") << 2;
        QTest::newRow("scan, then the new cache read back") << 4;
    }
    void abortWhileTheAnalyserMakesNoCallIsStillReported() {
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString stream = dir.filePath(QStringLiteral("sample.m2v"));
        QVERIFY(QFile::copy(test::SamplePath(), stream));
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, stream, 2));  // leaves a valid cache
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(mode);
        form.StartClicked();
        QVERIFY(form.Busy());
        form.AbortClicked();
        QVERIFY(test::WaitForJob(form));
        const QStringList texts = test::LogTexts(form);
        const int starting = texts.lastIndexOf(QStringLiteral("Starting processing of the file: ") + stream);
        QVERIFY(starting >= 0);
        const QStringList run = texts.mid(starting + 1);
        const bool aborted = run.contains(QStringLiteral("Processing of MPEG-file is aborted by user."));
        const bool finished = run.contains(QStringLiteral("Processing of MPEG-file is finished."));
        QVERIFY2(aborted != finished, qPrintable(run.join(QLatin1Char('|'))));
        QCOMPARE(form.Stream()->FAborted, aborted);
    }

    void startSizeFitsTheScreen() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QRect free = form.screen()->availableGeometry();
        QVERIFY(form.width() <= free.width());
        QVERIFY(form.height() <= free.height());
        QVERIFY(form.width() <= 1100);
    }

    void workStatusTexts() {
        const struct {
            double share;
            double seconds;
            int64_t bytes;
            const char* text;
        } cases[] = {
            {0, 1, 1000000, "Working..."},
            {0.5, 0, 1000000, "Working..."},
            {0.5, 2, 100000000, "50 %, 25.0 MB/s, 0:02 left"},
            {0.25, 30, 4000000000, "25 %, 33.3 MB/s, 1:30 left"},
            {0.5, 3723, 1000000000, "50 %, 0.1 MB/s, 1:02:03 left"},
            {1.2, 10, 1000000, "100 %, 0.1 MB/s, 0:00 left"},
        };
        for (const auto& c : cases) {
            QCOMPARE(WorkStatusText(c.share, c.seconds, c.bytes), QString::fromLatin1(c.text));
        }
        QCOMPARE(FileSizeText(461299), QStringLiteral("450.49 KiB (461299 bytes)"));
    }

    void statusBarAndProgressDuringAndAfterWork() {
        QTemporaryDir dir;
        const QString longStream = dir.filePath(QStringLiteral("long.m2v"));
        QVERIFY(test::WriteRepeatedSample(longStream, 30));
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const auto status = [&form](const char* name) {
            return form.findChild<QLabel*>(QString::fromLatin1(name));
        };
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
        auto* mode = form.findChild<QComboBox*>(QStringLiteral("ModeBox"));
        mode->setCurrentIndex(0);
        form.OpenFile(longStream);
        QCOMPARE(status("StatusFile")->text(), QStringLiteral("long.m2v"));
        QCOMPARE(status("StatusFile")->toolTip(), longStream);
        QCOMPARE(status("StatusSize")->text(), FileSizeText(QFileInfo(longStream).size()));
        QCOMPARE(status("StatusMode")->text(), QStringLiteral("Quick"));
        mode->setCurrentIndex(3);
        QCOMPARE(status("StatusMode")->text(), QStringLiteral("Show extended tree"));
        QVERIFY(!status("StatusWork")->isVisibleTo(&form));

        // The bar never steps back, also when the tree page is built after the parse.
        auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
        QList<int> values;
        connect(bar, &QProgressBar::valueChanged, &form, [&values](int value) { values.append(value); });
        form.StartClicked();
        QVERIFY(form.Busy());
        QVERIFY(status("StatusWork")->isVisibleTo(&form));
        QVERIFY(!form.findChild<QFrame*>(QStringLiteral("StreamPanel"))->isEnabled());
        QVERIFY(!form.findChild<QFrame*>(QStringLiteral("CountsPanel"))->isEnabled());
        QVERIFY(test::WaitForJob(form));
        QVERIFY(form.findChild<QFrame*>(QStringLiteral("StreamPanel"))->isEnabled());
        QVERIFY(form.findChild<QFrame*>(QStringLiteral("CountsPanel"))->isEnabled());
        QVERIFY(!status("StatusWork")->isVisibleTo(&form));
        QVERIFY(!values.isEmpty());
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(bar->value(), bar->maximum());
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
        // Esc while nothing runs is no abort.
        QVERIFY(!Action(form, "AbortAction")->isEnabled());
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.UserAbort());
    }

    void everyMenuItemHasAMnemonicAndAKey() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        QList<QMenu*> menus = form.menuBar()->findChildren<QMenu*>();
        menus.append(form.findChild<QMenu*>(QStringLiteral("TreeMenu")));
        for (QMenu* menu : menus) {
            QVERIFY2(menu->title().isEmpty() || menu->title().contains(QLatin1Char('&')),
                     qPrintable(menu->title()));
            for (QAction* action : menu->actions()) {
                if (action->isSeparator() || action->menu() != nullptr) {
                    continue;
                }
                QVERIFY2(action->text().contains(QLatin1Char('&')), qPrintable(action->text()));
                QVERIFY2(!action->shortcut().isEmpty(), qPrintable(action->text()));
            }
        }
        QCOMPARE(QString::fromLatin1(kOpenFilter),
                 QStringLiteral("MPEG video (*.m2v *.mpv *.m1v *.mpg *.vob *.ts *.m2ts);;All files (*)"));
        auto* modes = form.findChild<QComboBox*>(QStringLiteral("ModeBox"));
        for (int i = 0; i < modes->count(); ++i) {
            QVERIFY(!modes->itemData(i, Qt::ToolTipRole).toString().isEmpty());
        }
    }

    void recentFilesGeometryAndSplitterKept() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        QList<int> sizes;
        {
            TVideoForm form(dialogs, store);
            form.show();
            form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
            for (int i = 1; i <= 9; ++i) {
                form.OpenFile(dir.filePath(QStringLiteral("file%1.m2v").arg(i)));
            }
            form.OpenFile(dir.filePath(QStringLiteral("file5.m2v")));  // opened again: first in the list
            form.resize(760, 560);
            auto* splitter = form.findChild<QSplitter*>(QStringLiteral("Splitter"));
            splitter->setSizes({420, 330});
            sizes = splitter->sizes();
            form.close();
        }
        TVideoForm form(dialogs, store);
        form.show();
        QCOMPARE(form.size(), QSize(760, 560));
        QCOMPARE(form.findChild<QSplitter*>(QStringLiteral("Splitter"))->sizes(), sizes);
        QMenu* recent = form.findChild<QMenu*>(QStringLiteral("RecentMenu"));
        QStringList shown;
        for (QAction* action : recent->actions()) {
            shown.append(action->text());
        }
        QCOMPARE(shown, QStringList({"&1 file5.m2v", "&2 file9.m2v", "&3 file8.m2v", "&4 file7.m2v",
                                     "&5 file6.m2v", "&6 file4.m2v", "&7 file3.m2v", "&8 file2.m2v"}));
        recent->actions().at(1)->trigger();
        QCOMPARE(form.windowTitle(),
                 QStringLiteral("Velmora - ") + dir.filePath(QStringLiteral("file9.m2v")));
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
        QVERIFY(dialogs.Errors.isEmpty());
        // Without a browser the user is told, with the address to open by hand.
        dialogs.UrlOpens = false;
        Action(form, "VisitHomePageAction")->trigger();
        QCOMPARE(dialogs.Errors, QStringList{BrowserFailureText(dialogs.Urls.back())});
        QVERIFY(dialogs.Errors.constFirst().contains(dialogs.Urls.back().toString()));
        Action(form, "HelpAction")->trigger();
        QCOMPARE(dialogs.HelpCount, 1);
    }

  private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(TProcessingWindowTest)
#include "processing_window_test.moc"
