// The Qt adapters of the core's sinks: the tree page into a QTreeWidget, and progress from any thread.
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include "dialogs.h"
#include "images.h"
#include "qt_progress_sink.h"
#include "qt_tree_sink.h"

using namespace velmora;
using namespace velmora::gui;

class TAdaptersTest : public QObject {
    Q_OBJECT
  private slots:
    void failureBoxesCarryAnErrorIcon() {
        TQtDialogs dialogs;
        const struct {
            const char* name;
            void (TQtDialogs::*show)(QWidget*, const QString&);
        } boxes[] = {
            {"message of the core", &TQtDialogs::ShowMessage},
            {"failed command", &TQtDialogs::ShowError},
        };
        for (const auto& box : boxes) {
            QMessageBox::Icon shown = QMessageBox::NoIcon;
            // The box is modal: look at it from the event loop it runs, then close it.
            QTimer::singleShot(0, [&shown] {
                if (auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    shown = open->icon();
                    open->accept();
                }
            });
            (dialogs.*box.show)(nullptr, QStringLiteral("Unable to open file x.m2v for reading."));
            QVERIFY2(shown == QMessageBox::Critical || shown == QMessageBox::Warning, box.name);
        }
    }

    void treeNodesKeepOrderImagesAndData() {
        QTreeWidget tree;
        TQtTreeSink sink(&tree);
        sink.BeginUpdate();
        const TreeNodeId picture = sink.AddNode(kTreeRoot, "I - Frame", 5, 7);
        sink.AddNode(picture, "Temporal Reference: 2", 0, std::nullopt);
        const TreeNodeId coding = sink.AddNode(picture, "Coding extension", 8, 8);
        sink.AddNode(coding, "Top Field First: 1", 0, std::nullopt);
        sink.AddNode(kTreeRoot, "Unknown Frame Type", -1, 9);
        // Nothing reaches the tree until the page is complete.
        QCOMPARE(tree.topLevelItemCount(), 0);
        sink.EndUpdate();
        QVERIFY(tree.updatesEnabled());
        QCOMPARE(tree.topLevelItemCount(), 2);
        QTreeWidgetItem* first = tree.topLevelItem(0);
        QCOMPARE(first->text(0), QStringLiteral("I - Frame"));
        QCOMPARE(first->icon(0).cacheKey(), TreeImage(5).cacheKey());
        QCOMPARE(TQtTreeSink::NodeData(first), 7);
        QCOMPARE(first->childCount(), 2);
        QCOMPARE(TQtTreeSink::NodeData(first->child(0)), 0);  // child lines carry no data
        QCOMPARE(TQtTreeSink::NodeData(first->child(1)), 8);
        QCOMPARE(first->child(1)->child(0)->text(0), QStringLiteral("Top Field First: 1"));
        QVERIFY(tree.topLevelItem(1)->icon(0).isNull());
        // Outside a page build, nodes go straight to the tree.
        sink.AddNode(kTreeRoot, "FILE END", 0, 10);
        QCOMPARE(tree.topLevelItemCount(), 3);
    }

    void progressFromAWorkerReachesTheBar() {
        QProgressBar bar;
        TQtProgressSink sink(&bar);
        QThread* worker = QThread::create([&sink] {
            sink.SetMin(0);
            sink.SetMax(int64_t{1} << 40);  // beyond the bar's int range
            for (int64_t step = 1; step <= 1024; ++step) {
                sink.SetPosition((int64_t{1} << 40) / 2048 * step);
            }
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QCOMPARE(sink.Max(), int64_t{1} << 40);
        QCOMPARE(sink.Position(), (int64_t{1} << 40) / 2);
        QTRY_COMPARE(bar.value() * 2, bar.maximum());

        // A later phase of the job starts its own range: the bar does not step back.
        sink.SetMin(0);
        sink.SetMax(100);
        sink.SetPosition(0);
        QCOMPARE(bar.value() * 2, bar.maximum());
        sink.SetPosition(75);
        QCOMPARE(bar.value() * 4, bar.maximum() * 3);
        sink.SetPosition(10);
        QCOMPARE(bar.value() * 4, bar.maximum() * 3);

        // A new job starts empty; an empty range shows an empty bar, not a busy indicator.
        sink.Restart();
        sink.SetMax(0);
        sink.SetPosition(0);
        QCOMPARE(bar.minimum(), 0);
        QVERIFY(bar.maximum() > 0);
        QCOMPARE(bar.value(), 0);
    }
};

QTEST_MAIN(TAdaptersTest)
#include "adapters_test.moc"
