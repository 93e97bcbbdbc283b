// The tools from the window: the reports with their dialogs, the tree's range cut, Cut all GOPs, the
// corrected copy with its overwrite question, and the sequence end commands.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include "gui_test_support.h"
#include "log_panel.h"
#include "present/summary.h"
#include "qt_tree_sink.h"
#include "tools/gop_cut.h"

using namespace velmora;
using namespace velmora::gui;

namespace {

QAction* Action(TVideoForm& form, const char* name) {
    return form.findChild<QAction*>(QString::fromLatin1(name));
}

QByteArray ReadAll(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of a stream in its own folder, so the tools may change it and write beside it.
QString CopyInto(const QTemporaryDir& dir, const QString& source) {
    const QString copy = dir.filePath(QFileInfo(source).fileName());
    QFile::copy(source, copy);
    return copy;
}

struct TLastLine {
    QString Text;
    int Kind;
    QColor Colour;
};

TLastLine LastLine(const TVideoForm& form, const QString& prefix = QString()) {
    int row = form.Log()->topLevelItemCount() - 1;
    // A failure may be followed by a line with its reason.
    while (row > 0 && !form.Log()->EntryText(row).startsWith(prefix)) {
        --row;
    }
    return {form.Log()->EntryText(row), form.Log()->EntryKind(row), form.Log()->EntryColour(row)};
}

// The tree nodes of picture records on the current page.
QList<QTreeWidgetItem*> PictureNodes(QTreeWidget* tree) {
    QList<QTreeWidgetItem*> nodes;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QString caption = tree->topLevelItem(i)->text(0);
        if (caption.endsWith(QStringLiteral(" - Frame"))) {
            nodes.append(tree->topLevelItem(i));
        }
    }
    return nodes;
}

// The stream with its repeated sequence headers (and their extensions) taken out.
QByteArray WithOneSequenceHeader(const QByteArray& bytes) {
    QByteArray out;
    bool seen = false;
    bool skipping = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i + 3 < bytes.size() && bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            const auto value = static_cast<uint8_t>(bytes[i + 3]);
            if (value == 0xB3) {
                skipping = seen;
                seen = true;
            } else if (value != 0xB5) {
                skipping = false;
            }
        }
        if (!skipping) {
            out.append(bytes[i]);
        }
    }
    return out;
}

}  // namespace

class TToolsWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::UseScratchSettings(settingsDir_); }
    void init() { test::ClearSettings(); }

    void reportsAskForATextFileAndWriteIt() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QString stream = CopyInto(dir, test::SamplePath());
        QVERIFY(test::OpenAndProcess(form, stream, 2));
        const QString frames = dir.filePath(QStringLiteral("frames.txt"));
        const QString order = dir.filePath(QStringLiteral("order.txt"));
        dialogs.SaveAnswers = {frames, order, QString()};
        Action(form, "SaveMpegInformationAction")->trigger();
        Action(form, "SaveDisplayOrderAction")->trigger();
        Action(form, "SaveDisplayOrderAction")->trigger();  // cancelled: nothing happens
        QCOMPARE(dialogs.SaveRequests.size(), size_t{3});
        QCOMPARE(dialogs.SaveRequests[0].Filter, QStringLiteral("Text files (*.txt)"));
        QCOMPARE(dialogs.SaveRequests[0].DefaultSuffix, QStringLiteral("txt"));
        QVERIFY(ReadAll(frames).startsWith("Information for " + stream.toUtf8() +
                                           " - Frame Structure.\r\nGOP 000001  I"));
        QVERIFY(
            ReadAll(order).startsWith("Information for " + stream.toUtf8() + " - Display Order.\r\nGOP1  "));
        QVERIFY(dialogs.Errors.isEmpty());

        // An unwritable target is reported in a box, and the window goes on.
        dialogs.SaveAnswers = {QStringLiteral("/nonexistent-folder/report.txt")};
        Action(form, "SaveMpegInformationAction")->trigger();
        QCOMPARE(dialogs.Errors.size(), 1);
    }

    void summaryCopiedAndExported() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QVERIFY(!Action(form, "CopySummaryAction")->isEnabled());
        const QString stream = CopyInto(dir, test::SamplePath());
        QVERIFY(test::OpenAndProcess(form, stream, 0));
        QStringList lines;
        for (const TSummaryLabel& caption : SummaryCaptions()) {
            lines.append(form.findChild<QLabel*>(QString::fromStdString(caption.Name))->text());
        }
        QVERIFY(lines.contains(QStringLiteral("Size: 720 x 576")));
        QApplication::clipboard()->clear();
        QTest::keyClick(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->text(), lines.join(QLatin1Char('\n')));

        const QString exported = dir.filePath(QStringLiteral("summary.txt"));
        dialogs.SaveAnswers = {exported};
        Action(form, "ExportSummaryAction")->trigger();
        QCOMPARE(dialogs.SaveRequests.back().Filter,
                 QStringLiteral("Text files (*.txt);;JSON files (*.json)"));
        QCOMPARE(QString::fromUtf8(ReadAll(exported)),
                 stream + QLatin1Char('\n') + lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));

        // A .json name gets the command line's JSON of the same run.
        const QString exportedJson = dir.filePath(QStringLiteral("summary.json"));
        dialogs.SaveAnswers = {exportedJson};
        Action(form, "ExportSummaryAction")->trigger();
        const QJsonObject json = QJsonDocument::fromJson(ReadAll(exportedJson)).object();
        QCOMPARE(json.value(QStringLiteral("format_version")).toInt(), 1);
        QCOMPARE(json.value(QStringLiteral("file")).toString(), stream);
        QCOMPARE(json.value(QStringLiteral("mode")).toString(), QStringLiteral("quick"));
        QCOMPARE(json.value(QStringLiteral("width")).toInt(), 720);
        QCOMPARE(json.value(QStringLiteral("messages")).toArray().size(), 0);
        QStringList jsonLines;
        for (const QJsonValue& line : json.value(QStringLiteral("labels")).toArray()) {
            jsonLines.append(line.toString());
        }
        QCOMPARE(jsonLines, lines);
    }

    void rangeCutFromTheTreeContextMenu() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QString stream = CopyInto(dir, test::SamplePath());
        QVERIFY(test::OpenAndProcess(form, stream, 3));
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));

        // A node that is no picture cannot start a cut.
        tree->setCurrentItem(tree->topLevelItem(0));
        form.TreeMenuAboutToShow();
        QVERIFY(!Action(form, "SetCutStartAction")->isEnabled());

        const QList<QTreeWidgetItem*> pictures = PictureNodes(tree);
        QVERIFY(pictures.size() > 13);
        const auto position = [&form](QTreeWidgetItem* node) {
            return form.Stream()
                ->FHeaders[TQtTreeSink::NodeData(node)]
                .As<TPictureHeaderRecord>()
                .file_position;
        };
        tree->setCurrentItem(pictures[0]);
        form.TreeMenuAboutToShow();
        QVERIFY(Action(form, "SetCutStartAction")->isEnabled());
        QVERIFY(!Action(form, "SetCutFinishAction")->isEnabled());
        Action(form, "SetCutStartAction")->trigger();
        QCOMPARE(form.CutStart(), position(pictures[0]));
        QVERIFY(pictures[0]->font(0).bold());
        QCOMPARE(pictures[0]->toolTip(0), QStringLiteral("Cut start"));
        QCOMPARE(form.statusBar()->currentMessage(),
                 QStringLiteral("Cut: picture 1 (offset %1), to be finished with Set Finish")
                     .arg(form.CutStart()));

        tree->setCurrentItem(pictures[12]);
        form.TreeMenuAboutToShow();
        QVERIFY(Action(form, "SetCutFinishAction")->isEnabled());
        QVERIFY(!Action(form, "CutToFileAction")->isEnabled());
        Action(form, "SetCutFinishAction")->trigger();
        QCOMPARE(form.CutFinish(), position(pictures[12]));
        QVERIFY(Action(form, "CutToFileAction")->isEnabled());
        QCOMPARE(form.statusBar()->currentMessage(),
                 QStringLiteral("Cut: picture 1 (offset %1) to picture 13, %2 bytes")
                     .arg(form.CutStart())
                     .arg(form.CutFinish() - form.CutStart()));
        // The marks stay with their pictures when the page is built again.
        form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->setValue(149);
        const QList<QTreeWidgetItem*> rebuilt = PictureNodes(tree);
        QVERIFY(rebuilt[0]->font(0).bold() && rebuilt[12]->font(0).bold() && !rebuilt[5]->font(0).bold());
        QCOMPARE(rebuilt[12]->toolTip(0), QStringLiteral("Cut finish"));

        const QString target = dir.filePath(QStringLiteral("cut.m2v"));
        dialogs.SaveAnswers = {target};
        Action(form, "CutToFileAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(dialogs.SaveRequests.back().Filter, QStringLiteral("MPEG files (*.m2v)"));
        QCOMPARE(dialogs.SaveRequests.back().DefaultSuffix, QStringLiteral("m2v"));
        QCOMPARE(ReadAll(target), ReadAll(stream).mid(form.CutStart(), form.CutFinish() - form.CutStart()));
        QCOMPARE(LastLine(form).Colour, QColor(0, 0, 255));
    }

    // With one sequence header for the whole stream a cut at an I picture starts at its GOP header.
    void rangeCutOfAStreamWithOneSequenceHeader() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QString stream = dir.filePath(QStringLiteral("oneseq.m2v"));
        const QByteArray bytes =
            WithOneSequenceHeader(ReadAll(QStringLiteral(VELMORA_TEST_DATA_DIR "/pal_gop_seq.m2v")));
        QCOMPARE(bytes.count(QByteArray("\0\0\1\xB3", 4)), 1);
        {
            QFile file(stream);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        const QByteArray gop("\0\0\1\xB8", 4);
        const qsizetype gop2 = bytes.indexOf(gop, bytes.indexOf(gop) + 1);
        const qsizetype gop3 = bytes.indexOf(gop, gop2 + 1);
        QVERIFY(gop2 > 0 && gop3 > gop2);
        for (const int mode : {2, 3}) {
            QVERIFY(test::OpenAndProcess(form, stream, mode));
            auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));
            form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->setValue(400);
            const QList<QTreeWidgetItem*> pictures = PictureNodes(tree);
            QVERIFY(pictures.size() > 22);
            // Pictures 11 and 23 are the I pictures of GOPs 2 and 3.
            tree->setCurrentItem(pictures[10]);
            form.TreeMenuAboutToShow();
            Action(form, "SetCutStartAction")->trigger();
            tree->setCurrentItem(pictures[22]);
            form.TreeMenuAboutToShow();
            Action(form, "SetCutFinishAction")->trigger();
            QCOMPARE(form.CutStart(), int64_t{gop2});
            QCOMPARE(form.CutFinish(), int64_t{gop3});
            const QString target = dir.filePath(QStringLiteral("cut%1.m2v").arg(mode));
            dialogs.SaveAnswers = {target};
            Action(form, "CutToFileAction")->trigger();
            QVERIFY(test::WaitForJob(form));
            QCOMPARE(ReadAll(target), bytes.mid(gop2, gop3 - gop2));
        }
    }

    void cutAllGopsWritesPiecesThatJoinToTheSource() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QString stream = CopyInto(dir, test::SamplePath());

        // Without a header list the tool only says which mode it needs.
        QVERIFY(test::OpenAndProcess(form, stream, 0));
        Action(form, "CutAllGopsAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(LastLine(form).Text,
                 QStringLiteral("You must be in \"Show tree\" processing mode for using this tool."));
        QCOMPARE(LastLine(form).Kind, 1);
        QCOMPARE(LastLine(form).Colour, QColor(0, 0, 100));

        QVERIFY(test::OpenAndProcess(form, stream, 2));
        const int64_t gops = form.Stream()->FGopCount;
        QVERIFY(gops > 1);
        const int64_t headers = form.Stream()->HeaderCount();
        Action(form, "CutAllGopsAction")->trigger();
        QVERIFY(form.Busy());
        QVERIFY(!Action(form, "StartAction")->isEnabled());
        QVERIFY(test::WaitForJob(form));
        const QStringList log = test::LogTexts(form);
        QVERIFY(log.contains(QStringLiteral("Starting GOP cutting...")));
        QCOMPARE(LastLine(form).Text,
                 QStringLiteral("GOP cutting is finished: %1 files with GOPs was created.").arg(gops));
        QCOMPARE(LastLine(form).Colour, QColor(0, 0, 100));
        QCOMPARE(form.Stream()->HeaderCount(), headers);  // the end markers are gone again
        QByteArray joined;
        for (int64_t piece = 1; piece <= gops; ++piece) {
            joined += ReadAll(QString::fromStdString(GopPieceName(stream.toStdString(), piece)));
        }
        QCOMPARE(joined, ReadAll(stream));
    }

    void abortStopsCutAllGops() {
        QTemporaryDir dir;
        const QString stream = dir.filePath(QStringLiteral("long.m2v"));
        QVERIFY(test::WriteRepeatedSample(stream, 40));
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, stream, 3));
        const int64_t gops = form.Stream()->FGopCount;
        Action(form, "CutAllGopsAction")->trigger();
        QVERIFY(form.Busy());
        Action(form, "AbortAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        const TLastLine last = LastLine(form);
        QCOMPARE(last.Text, QStringLiteral("Current operation aborted by user!"));
        QCOMPARE(last.Kind, 2);
        QCOMPARE(last.Colour, QColor(255, 0, 0));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(GopPieceName(stream.toStdString(), gops))));
    }

    void saveCorrectedOnlyAfterForeignDataAndAsksBeforeReplacing() {
        const QString foreign = test::TestDataPath(QStringLiteral("foreign_packets.m2v"));
        if (foreign.isEmpty()) {
            QSKIP("tests/data/foreign_packets.m2v is not there");
        }
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, test::SamplePath(), 3));
        QVERIFY(!Action(form, "SaveCorrectedAction")->isEnabled());

        const QString stream = CopyInto(dir, foreign);
        QVERIFY(test::OpenAndProcess(form, stream, 2));
        QVERIFY(Action(form, "SaveCorrectedAction")->isEnabled());
        // The analyser's findings are dark red error lines.
        bool analyserLine = false;
        for (int row = 0; row < form.Log()->topLevelItemCount(); ++row) {
            analyserLine |=
                form.Log()->EntryKind(row) == 2 && form.Log()->EntryColour(row) == QColor(100, 0, 0);
        }
        QVERIFY(analyserLine);

        const QString target = dir.filePath(QStringLiteral("corrected.m2v"));
        QFile::copy(test::SamplePath(), target);
        const QByteArray before = ReadAll(target);
        dialogs.OverwriteAnswer = false;
        dialogs.SaveAnswers = {target};
        Action(form, "SaveCorrectedAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(dialogs.OverwriteQuestions,
                 QStringList({QStringLiteral("File ") + target + QStringLiteral(" exists! Overwrite ?")}));
        QVERIFY(!dialogs.SaveRequests.back().ConfirmOverwrite);
        QCOMPARE(ReadAll(target), before);

        dialogs.OverwriteAnswer = true;
        dialogs.SaveAnswers = {target};
        Action(form, "SaveCorrectedAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        // The copy is the source without the stretches of the analyser's cut list.
        const QByteArray source = ReadAll(stream);
        QByteArray expected;
        int64_t kept = 0;
        for (const TDataBlock& block : form.Stream()->FUnformattedBlocks) {
            expected += source.mid(kept, block.Position - kept);
            kept = block.Position + block.Length;
        }
        expected += source.mid(kept);
        QVERIFY(expected.size() < source.size());
        QCOMPARE(ReadAll(target), expected);
        QCOMPARE(LastLine(form).Colour, QColor(0, 0, 255));
    }

    void saveCorrectedListsEveryBlockWhenTheAnalysisKeptOnlyTheFirst() {
        // 1,500 padding packets before the first slice: more than the analysis keeps.
        QTemporaryDir dir;
        const QByteArray sample = ReadAll(test::SamplePath());
        const qsizetype slice = sample.indexOf(QByteArray("\x00\x00\x01\x01", 4));
        QVERIFY(slice > 0);
        const QByteArray packet("\x00\x00\x01\xBE\x00\x04\xFF\xFF\xFF\xFF", 10);
        const QString stream = dir.filePath(QStringLiteral("padded.m2v"));
        QFile out(stream);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(sample.left(slice) + packet.repeated(1500) + sample.mid(slice));
        out.close();

        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, stream, 0));
        QCOMPARE(form.Stream()->FUnformattedCount, 1500);
        QCOMPARE(form.Stream()->FUnformattedBlocks.size(), size_t{1000});
        const QString target = dir.filePath(QStringLiteral("corrected.m2v"));
        dialogs.SaveAnswers = {target};
        Action(form, "SaveCorrectedAction")->trigger();
        QVERIFY(test::WaitForJob(form));
        QCOMPARE(ReadAll(target), sample);
        QCOMPARE(LastLine(form).Colour, QColor(0, 0, 255));
    }

    void openLeavesNothingOfThePreviousFileActive() {
        const QString foreign = test::TestDataPath(QStringLiteral("foreign_packets.m2v"));
        if (foreign.isEmpty()) {
            QSKIP("tests/data/foreign_packets.m2v is not there");
        }
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, CopyInto(dir, foreign), 2));
        QVERIFY(Action(form, "SaveCorrectedAction")->isEnabled());
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("HeaderTree"));
        QVERIFY(tree->topLevelItemCount() > 0);

        const QString target = dir.filePath(QStringLiteral("written.txt"));
        const auto expectNothingActive = [&] {
            QVERIFY(form.Stream() == nullptr);
            QCOMPARE(tree->topLevelItemCount(), 0);
            for (const TSummaryLabel& caption : SummaryCaptions()) {
                QCOMPARE(form.findChild<QLabel*>(QString::fromStdString(caption.Name))->text(),
                         QString::fromStdString(caption.Text));
            }
            for (const char* name :
                 {"SaveCorrectedAction", "SaveMpegInformationAction", "SaveDisplayOrderAction",
                  "SetSequenceEndAction", "CutAllGopsAction", "CutToFileAction"}) {
                QVERIFY2(!Action(form, name)->isEnabled(), name);
            }
            // Even called directly, no command asks for a file or writes one.
            dialogs.SaveRequests.clear();
            dialogs.SaveAnswers = {target, target, target};
            form.SaveCorrectedClicked();
            form.SaveMpegInformationClicked();
            form.SaveDisplayOrderClicked();
            QVERIFY(!form.Busy());
            QVERIFY(dialogs.SaveRequests.empty());
            QVERIFY(!QFileInfo::exists(target));
        };
        // Opened without processing: the previous file's results are gone.
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
        form.OpenFile(CopyInto(dir, test::SamplePath()));
        expectNothingActive();
        // Opened and processed, but it cannot be read.
        QVERIFY(test::OpenAndProcess(form, CopyInto(dir, foreign), 2));
        QVERIFY(test::OpenAndProcess(form, QStringLiteral("/nonexistent-folder/missing.m2v"), 2));
        expectNothingActive();
    }

    void setSequenceEndAsksOncePerRunUnlessToldNotTo() {
        QTemporaryDir dir;
        const QString stream = CopyInto(dir, test::SamplePath());
        const auto size = [&stream] { return QFileInfo(stream).size(); };
        const qint64 original = size();
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        {
            TVideoForm form(dialogs, store);
            form.show();
            QVERIFY(test::OpenAndProcess(form, stream, 0));
            dialogs.InPlaceAnswer = false;
            Action(form, "SetSequenceEndAction")->trigger();
            QCOMPARE(size(), original);
            QCOMPARE(dialogs.InPlaceQuestions.size(), 1);
            QVERIFY(dialogs.InPlaceQuestions.constFirst().contains(stream));
            dialogs.InPlaceAnswer = true;
            Action(form, "SetSequenceEndAction")->trigger();
            QCOMPARE(size(), original + 4);
            form.DeleteSequenceEndClicked();
            Action(form, "SetSequenceEndAction")->trigger();  // agreed once: not asked again in this run
            QCOMPARE(size(), original + 4);
            QCOMPARE(dialogs.InPlaceQuestions.size(), 2);
            form.DeleteSequenceEndClicked();
        }
        {
            // A new run asks again; "Don't ask again" is kept in the settings.
            TVideoForm form(dialogs, store);
            form.show();
            QVERIFY(test::OpenAndProcess(form, stream, 0));
            dialogs.DontAskAgainAnswer = true;
            Action(form, "SetSequenceEndAction")->trigger();
            QCOMPARE(dialogs.InPlaceQuestions.size(), 3);
            form.DeleteSequenceEndClicked();
        }
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(test::OpenAndProcess(form, stream, 0));
        Action(form, "SetSequenceEndAction")->trigger();
        QCOMPARE(dialogs.InPlaceQuestions.size(), 3);
        QCOMPARE(size(), original + 4);
    }

    void sequenceEndCommandsChangeTheFileAndLog() {
        QTemporaryDir dir;
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        const QString stream = CopyInto(dir, test::SamplePath());
        QVERIFY(test::OpenAndProcess(form, stream, 0));
        const QByteArray original = ReadAll(stream);
        const QByteArray code("\x00\x00\x01\xB7", 4);
        const bool endsWithCode = original.endsWith(code);

        const struct {
            bool set;
            QString text;
            int kind;
            QColor colour;
            int sizeChange;
        } steps[] = {
            // From a file without the code: set appends it once, a second set fails, delete takes it off.
            {true, "SEQUENCE_END code was seted.", 1, QColor(0, 0, 255), 4},
            {true, "SEQUENCE_END code was not seted!", 2, QColor(255, 0, 0), 0},
            {false, "SEQUENCE_END code was deleted.", 1, QColor(0, 0, 255), -4},
            {false, "SEQUENCE_END code was not deleted!", 2, QColor(255, 0, 0), 0},
        };
        if (endsWithCode) {
            // Bring the file to the state the steps start from.
            form.DeleteSequenceEndClicked();
        }
        for (const auto& step : steps) {
            const qint64 size = QFileInfo(stream).size();
            if (step.set) {
                Action(form, "SetSequenceEndAction")->trigger();
            } else {
                form.DeleteSequenceEndClicked();  // the menu item is hidden
            }
            const TLastLine line = LastLine(form, QStringLiteral("SEQUENCE_END"));
            QCOMPARE(line.Text, step.text);
            QCOMPARE(line.Kind, step.kind);
            QCOMPARE(line.Colour, step.colour);
            QCOMPARE(QFileInfo(stream).size(), size + step.sizeChange);
        }
    }

  private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(TToolsWindowTest)
#include "tools_window_test.moc"
