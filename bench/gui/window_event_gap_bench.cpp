// Processes a large stream in the window (offscreen) and prints the longest gap between two ticks of a
// 5 ms heartbeat timer on the window's thread: how long the window went without handling events.
// Usage: window_event_gap_bench [STREAM] [SIZE_MIB]; without STREAM a stream of SIZE_MIB (default
// 1024) is made from samples/sample.m2v by repetition in a temporary folder.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "dialogs.h"
#include "qt_settings_store.h"
#include "video_form.h"

using namespace velmora::gui;

namespace {

// Dialogs that answer nothing: the benchmark only processes.
class TSilentDialogs : public IDialogs {
  public:
    std::optional<QString> OpenFileName(QWidget*) override { return std::nullopt; }
    std::optional<QString> SaveFileName(QWidget*, const TSaveRequest&) override { return std::nullopt; }
    bool ConfirmOverwrite(QWidget*, const QString&) override { return false; }
    bool ConfirmInPlaceChange(QWidget*, const QString&, bool&) override { return false; }
    void ShowMessage(QWidget*, const QString& text) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    void ShowError(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowAbout(QWidget*) override {}
    void ShowHelp(QWidget*) override {}
    std::optional<TGoToRequest> AskGoTo(QWidget*) override { return std::nullopt; }
    bool OpenUrl(const QUrl&) override { return false; }
};

bool MakeStream(const QString& sample, const QString& target, qint64 bytes) {
    QFile in(sample);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray block = in.readAll();
    for (qint64 written = 0; written < bytes; written += block.size()) {
        if (out.write(block) != block.size()) {
            return false;
        }
    }
    return true;
}

void WarmPageCache(const QString& name) {
    QFile file(name);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.read(1 << 22).isEmpty()) {
        }
    }
}

struct TRunFigures {
    double Seconds = 0;
    double LongestGapMs = 0;
    qint64 Ticks = 0;
};

TRunFigures Process(TVideoForm& form, const QString& stream, int mode) {
    form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(mode);
    form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(true);
    TRunFigures figures;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        figures.LongestGapMs = std::max(figures.LongestGapMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        ++figures.Ticks;
    });
    bool finished = false;
    const QMetaObject::Connection done =
        QObject::connect(&form, &TVideoForm::JobFinished, [&finished] { finished = true; });
    clock.start();
    sinceTick.start();
    heartbeat.start();
    // Open and Start run in the handler of a timer event, as they would from a click.
    QTimer::singleShot(0, &form, [&form, stream] { form.OpenFile(stream); });
    while (!finished) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    // One more tick after the results are shown, so the time they took counts as a gap too.
    const qint64 ticks = figures.Ticks;
    while (figures.Ticks == ticks) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    figures.Seconds = clock.nsecsElapsed() / 1e9;
    QObject::disconnect(done);
    return figures;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QTemporaryDir work;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work.path());
    const QStringList args = application.arguments();
    QString stream = args.size() > 1 ? args[1] : QString();
    const qint64 mebibytes = args.size() > 2 ? args[2].toLongLong() : 1024;
    if (stream.isEmpty()) {
        stream = work.filePath(QStringLiteral("large.m2v"));
        const QString sample = QStringLiteral(VELMORA_SOURCE_DIR "/samples/sample.m2v");
        if (!MakeStream(sample, stream, mebibytes << 20)) {
            std::fprintf(stderr, "cannot make %s from %s\n", qPrintable(stream), qPrintable(sample));
            return 1;
        }
    }
    const double gib = QFileInfo(stream).size() / double(1 << 30);
    TSilentDialogs dialogs;
    TQtSettingsStore store;
    TVideoForm form(dialogs, store);
    form.show();
    // Let the window lay itself out and paint before measuring.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    std::printf("stream: %s (%.2f GiB)\n", qPrintable(stream), gib);
    std::printf("%-26s %9s %14s %8s\n", "mode", "seconds", "longest gap ms", "ticks");
    const struct {
        int mode;
        const char* name;
    } runs[] = {
        {0, "Quick"}, {4, "Rewrite cache (scan)"}, {2, "Show tree (cache load)"}, {3, "Show extended tree"}};
    double longest = 0;
    for (const auto& run : runs) {
        WarmPageCache(stream);
        const TRunFigures figures = Process(form, stream, run.mode);
        longest = std::max(longest, figures.LongestGapMs);
        std::printf("%-26s %9.2f %14.1f %8lld\n", run.name, figures.Seconds, figures.LongestGapMs,
                    static_cast<long long>(figures.Ticks));
    }
    std::printf("longest gap between handled events: %.1f ms (target: under 100 ms)\n", longest);
    QFile::remove(stream + QStringLiteral(".vnf"));
    form.close();
    return longest < 100 ? 0 : 1;
}
