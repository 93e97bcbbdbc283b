// The log panel: entry captions, kinds, icons, colours, selection, the column rule, long lines, copy,
// save and the errors filter, the drawing of a selected entry and the abort filter; and the pictures of
// the tree and the log.
#include <QAbstractItemDelegate>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include "gui_test_support.h"
#include "images.h"
#include "log_panel.h"

using namespace velmora;
using namespace velmora::gui;

namespace {

bool ImageHas(const QImage& image, const std::function<bool(QColor)>& test) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(image.pixelColor(x, y))) {
                return true;
            }
        }
    }
    return false;
}

QImage DrawEntry(TLogPanel& panel, int row, bool selected) {
    const QModelIndex index = panel.model()->index(row, 0);
    QStyleOptionViewItem option;
    option.initFrom(&panel);
    option.rect = QRect(0, 0, 300, 20);
    option.state = selected ? QStyle::State_Selected | QStyle::State_Enabled : QStyle::State_Enabled;
    option.fontMetrics = panel.fontMetrics();
    option.font = panel.font();
    QImage image(300, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    panel.itemDelegate()->paint(&painter, option, index);
    return image;
}

}  // namespace

class TLogPanelTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::UseScratchSettings(settingsDir_); }

    void entryCarriesTimeStampKindIconAndColour() {
        TLogPanel panel;
        const struct {
            int kind;
            TColour colour;
            int icon;  // -1: none
        } cases[] = {{1, colour::DarkBlue, logimage::Information},
                     {2, colour::Red, logimage::Warning},
                     {3, colour::DarkGreen, -1}};
        for (const auto& c : cases) {
            panel.Append(c.kind, QStringLiteral("Message %1").arg(c.kind),
                         QColor(c.colour.R, c.colour.G, c.colour.B));
            QTreeWidgetItem* item = panel.topLevelItem(panel.topLevelItemCount() - 1);
            QVERIFY(QRegularExpression(QStringLiteral("^  \\d\\d:\\d\\d:\\d\\d   Message %1$").arg(c.kind))
                        .match(item->text(0))
                        .hasMatch());
            QCOMPARE(panel.EntryKind(panel.topLevelItemCount() - 1), c.kind);
            QCOMPARE(panel.EntryColour(panel.topLevelItemCount() - 1),
                     QColor(c.colour.R, c.colour.G, c.colour.B));
            if (c.icon < 0) {
                QVERIFY(item->icon(0).isNull());
            } else {
                QCOMPARE(item->icon(0).cacheKey(), LogImage(c.icon).cacheKey());
            }
        }
    }

    void newestEntryAloneSelectedAndCurrent() {
        TLogPanel panel;
        for (int i = 0; i < 5; ++i) {
            panel.Append(1, QStringLiteral("Line %1").arg(i), Qt::black);
        }
        QCOMPARE(panel.selectedItems().size(), 1);
        QCOMPARE(panel.selectedItems().constFirst(), panel.topLevelItem(4));
        QCOMPARE(panel.currentItem(), panel.topLevelItem(4));
    }

    void columnNarrowsWhenRowsOverflow() {
        TLogPanel panel;
        QCOMPARE(panel.columnWidth(0), TLogPanel::kInitialColumnWidth);
        panel.resize(400, 120);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        bool overflowed = false;
        for (int i = 0; i < 40 && !overflowed; ++i) {
            panel.Append(1, QStringLiteral("Line %1").arg(i), Qt::black);
            if (panel.VisibleRows() < panel.topLevelItemCount()) {
                overflowed = true;
                QCOMPARE(panel.columnWidth(0), panel.width() - 23);
            } else {
                QCOMPARE(panel.columnWidth(0), panel.width() - 5);
            }
        }
        QVERIFY(overflowed);
        // The newest entry is scrolled into view.
        QVERIFY(panel.viewport()->rect().intersects(
            panel.visualItemRect(panel.topLevelItem(panel.topLevelItemCount() - 1))));
    }

    void selectedEntryDrawnWhiteOnHighlight() {
        TLogPanel panel;
        panel.Append(2, QStringLiteral("WWWWWWWW"), Qt::red);
        const auto isRed = [](QColor c) {
            return c.alpha() > 200 && c.red() > 200 && c.green() < 60 && c.blue() < 60;
        };
        const auto isWhite = [](QColor c) {
            return c.alpha() > 200 && c.red() > 240 && c.green() > 240 && c.blue() > 240;
        };
        const QImage plain = DrawEntry(panel, 0, false);
        QVERIFY(ImageHas(plain, isRed));
        const QImage selected = DrawEntry(panel, 0, true);
        const QColor highlight = panel.palette().color(QPalette::Active, QPalette::Highlight);
        QCOMPARE(selected.pixelColor(299, 19), highlight);
        QVERIFY(ImageHas(selected, isWhite));
    }

    void longLineShownInFullOnHoverAndBySideScroll() {
        TLogPanel panel;
        panel.resize(300, 120);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const QString text = QStringLiteral(
                                 "Find not formatted stream or data: 000001BA - Pack header. FilePos: "
                                 "123456789, Length: 2048. ")
                                 .repeated(3);
        panel.Append(2, text, QColor(100, 0, 0));
        QTreeWidgetItem* item = panel.topLevelItem(0);
        QCOMPARE(item->toolTip(0), item->text(0));
        QVERIFY(item->text(0).endsWith(text));
        // The column holds the whole line, and the list scrolls sideways to it.
        QVERIFY(panel.columnWidth(0) >= panel.fontMetrics().horizontalAdvance(item->text(0)));
        QTRY_VERIFY(panel.horizontalScrollBar()->maximum() > 0);
        // A short log fits again after a clear.
        panel.Clear();
        panel.Append(1, QStringLiteral("short"), Qt::black);
        QCOMPARE(panel.columnWidth(0), panel.width() - 5);
    }

    void copyFilterAndSaveFromTheContextMenu() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        TLogPanel& panel = *form.Log();
        const struct {
            int kind;
            const char* text;
        } lines[] = {{1, "Open file: a.m2v."}, {2, "Can not open file a.m2v !"}, {1, "info"}, {2, "failure"}};
        for (const auto& line : lines) {
            panel.Append(line.kind, QString::fromLatin1(line.text), Qt::black);
        }
        QStringList captions;
        for (int row = 0; row < panel.topLevelItemCount(); ++row) {
            captions.append(panel.topLevelItem(row)->text(0));
        }
        const auto trigger = [&panel](const char* name) {
            QAction* action = panel.findChild<QAction*>(QString::fromLatin1(name));
            QVERIFY2(action != nullptr && panel.actions().contains(action), name);
            action->trigger();
        };

        // Several selected lines are copied together.
        panel.clearSelection();
        for (const int row : {1, 2}) {
            panel.topLevelItem(row)->setSelected(true);
        }
        trigger("LogCopyAction");
        QCOMPARE(QApplication::clipboard()->text(), captions.mid(1, 2).join(QLatin1Char('\n')));
        trigger("LogCopyAllAction");
        QCOMPARE(QApplication::clipboard()->text(), captions.join(QLatin1Char('\n')));

        // Errors only: information lines go, also those that come later; copying follows the filter.
        trigger("LogErrorsOnlyAction");
        QVERIFY(panel.ErrorsOnly());
        panel.Append(1, QStringLiteral("later"), Qt::black);
        const QStringList errors{captions[1], captions[3]};
        trigger("LogCopyAllAction");
        QCOMPARE(QApplication::clipboard()->text(), errors.join(QLatin1Char('\n')));

        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("log.txt"));
        dialogs.SaveAnswers = {saved, QStringLiteral("/nonexistent-folder/log.txt")};
        trigger("LogSaveAction");
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), errors.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        QCOMPARE(dialogs.SaveRequests.back().Filter, QStringLiteral("Text files (*.txt)"));
        QVERIFY(dialogs.Errors.isEmpty());
        trigger("LogSaveAction");
        QCOMPARE(dialogs.Errors.size(), 1);

        trigger("LogErrorsOnlyAction");
        QVERIFY(!panel.ErrorsOnly());
        for (int row = 0; row < panel.topLevelItemCount(); ++row) {
            QVERIFY(!panel.topLevelItem(row)->isHidden());
        }
    }

    void onlyRedLinesPassWhileAbortIsInForce() {
        QTemporaryDir dir;
        const QString longStream = dir.filePath(QStringLiteral("long.m2v"));
        QVERIFY(test::WriteRepeatedSample(longStream, 40));
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        // An abort is in force from the Abort of running work until the next command.
        form.AbortClicked();
        QVERIFY(!form.UserAbort());
        form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(3);
        form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(true);
        form.OpenFile(longStream);
        QVERIFY(form.Busy());
        form.AbortClicked();
        QVERIFY(test::WaitForJob(form));
        QVERIFY(form.UserAbort());
        const int before = form.Log()->topLevelItemCount();
        form.AddLog(1, QStringLiteral("dark blue"), colour::DarkBlue);
        form.AnalyserMessage(QStringLiteral("analyser"));
        form.AddLog(1, QStringLiteral("blue"), colour::Blue);
        form.AddLog(2, QStringLiteral("near red"), TColour{254, 0, 0});
        form.AddLog(2, QStringLiteral("red"), colour::Red);
        QCOMPARE(test::LogTexts(form).mid(before), QStringList({QStringLiteral("red")}));
    }

    void imagesSharpAtEverySize() {
        for (int index = 0; index < treeimage::Count; ++index) {
            const QIcon icon = TreeImage(index);
            QVERIFY(!icon.isNull());
            for (const qreal ratio : {1.0, 2.0}) {
                const QPixmap pixmap = icon.pixmap(QSize(16, 16), ratio);
                QCOMPARE(pixmap.size(), QSize(16, 16) * ratio);
                QCOMPARE(pixmap.devicePixelRatio(), ratio);
                QVERIFY(ImageHas(pixmap.toImage(), [](QColor c) { return c.alpha() > 0; }));
            }
        }
        QVERIFY(TreeImage(-1).isNull());
        QVERIFY(TreeImage(treeimage::Count).isNull());
        QVERIFY(!LogImage(logimage::Warning).isNull());
        QVERIFY(!LogImage(logimage::Information).isNull());
        // The warning sign is yellow, the information sign blue.
        const auto isYellow = [](QColor c) {
            return c.alpha() > 200 && c.red() > 200 && c.green() > 150 && c.blue() < 80;
        };
        const auto isBlue = [](QColor c) { return c.alpha() > 200 && c.blue() > 150 && c.red() < 80; };
        QVERIFY(ImageHas(LogImage(logimage::Warning).pixmap(16, 16).toImage(), isYellow));
        QVERIFY(ImageHas(LogImage(logimage::Information).pixmap(16, 16).toImage(), isBlue));
    }

  private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(TLogPanelTest)
#include "log_panel_test.moc"
