// The desktop program: creates the main window and runs the event loop; a file named on the command
// line is opened as if chosen with Open.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include "dialogs.h"
#include "images.h"
#include "io/temporary_files.h"
#include "qt_settings_store.h"
#include "video_form.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    velmora::InstallTemporaryFileCleanup();
    QApplication::setOrganizationName(QString::fromLatin1(velmora::kSettingsOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(velmora::kSettingsApplication));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    QApplication::setWindowIcon(velmora::gui::ProgramIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Analyser and light editor for MPEG-2 video elementary streams"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Stream file to open."),
                                 QStringLiteral("[file]"));
    parser.process(application);

    velmora::gui::TQtDialogs dialogs;
    velmora::gui::TQtSettingsStore settings;
    velmora::gui::TVideoForm window(dialogs, settings);
    window.show();
    if (!parser.positionalArguments().isEmpty()) {
        // The caption, the log and the cache file name show the whole path, as after Open.
        const QString file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, file] { window.OpenFile(file); });
    }
    return QApplication::exec();
}
