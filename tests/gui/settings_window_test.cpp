// Settings as the window loads, shows and saves them: the first run, clamped and unknown values, and
// what closing the window writes.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>

#include "gui_test_support.h"

using namespace velmora;
using namespace velmora::gui;

class TSettingsWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::UseScratchSettings(settingsDir_); }
    void init() { test::ClearSettings(); }

    void firstRunShowsAndWritesTheDefaults() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        TVideoForm form(dialogs, store);
        form.show();
        QVERIFY(form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->isChecked());
        QCOMPARE(form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->value(), 150);
        QCOMPARE(form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->currentText(),
                 QStringLiteral("Quick"));
        // Written at once, before the window closes.
        QSettings settings = test::WindowSettings();
        QCOMPARE(settings.value(QStringLiteral("Version")).toString(), QStringLiteral("1.3"));
        QCOMPARE(settings.value(QStringLiteral("ProcessAfterOpen")).toInt(), 1);
        QCOMPARE(settings.value(QStringLiteral("BlocksPerPage")).toInt(), 150);
        QCOMPARE(settings.value(QStringLiteral("ProcessingMode")).toInt(), 0);
    }

    void storedValuesShownClampedAndSavedBack_data() {
        QTest::addColumn<int>("storedPage");
        QTest::addColumn<int>("storedMode");
        QTest::addColumn<int>("shownPage");
        QTest::addColumn<int>("shownMode");
        QTest::newRow("in range") << 700 << 3 << 700 << 3;
        QTest::newRow("page above 2000") << 5000 << 2 << 2000 << 2;
        QTest::newRow("page 0") << 0 << 1 << 1 << 1;
        QTest::newRow("mode 7") << 150 << 7 << 150 << -1;
        QTest::newRow("mode -3") << 150 << -3 << 150 << -1;
    }
    void storedValuesShownClampedAndSavedBack() {
        QFETCH(int, storedPage);
        QFETCH(int, storedMode);
        QFETCH(int, shownPage);
        QFETCH(int, shownMode);
        {
            QSettings settings = test::WindowSettings();
            settings.setValue(QStringLiteral("Version"), QStringLiteral("1.3"));
            settings.setValue(QStringLiteral("ProcessAfterOpen"), 0);
            settings.setValue(QStringLiteral("BlocksPerPage"), storedPage);
            settings.setValue(QStringLiteral("ProcessingMode"), storedMode);
        }
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        {
            TVideoForm form(dialogs, store);
            form.show();
            QVERIFY(!form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->isChecked());
            QCOMPARE(form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->value(), shownPage);
            QCOMPARE(form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->currentIndex(), shownMode);
            form.close();
        }
        QSettings settings = test::WindowSettings();
        QCOMPARE(settings.value(QStringLiteral("ProcessAfterOpen")).toInt(), 0);
        QCOMPARE(settings.value(QStringLiteral("BlocksPerPage")).toInt(), shownPage);
        QCOMPARE(settings.value(QStringLiteral("ProcessingMode")).toInt(), shownMode);
    }

    void closingSavesTheControls() {
        test::TScriptedDialogs dialogs;
        TQtSettingsStore store;
        {
            TVideoForm form(dialogs, store);
            form.show();
            form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(false);
            form.findChild<QSpinBox*>(QStringLiteral("PageSizeBox"))->setValue(1200);
            form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(4);
            form.close();
        }
        QSettings settings = test::WindowSettings();
        QCOMPARE(settings.value(QStringLiteral("ProcessAfterOpen")).toInt(), 0);
        QCOMPARE(settings.value(QStringLiteral("BlocksPerPage")).toInt(), 1200);
        QCOMPARE(settings.value(QStringLiteral("ProcessingMode")).toInt(), 4);
    }

  private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(TSettingsWindowTest)
#include "settings_window_test.moc"
