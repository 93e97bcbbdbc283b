// The desktop's file dialogs and message boxes.
#include "dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>

#include "about_box.h"
#include "images.h"

namespace velmora::gui {

QString OverwriteQuestion(const QString& FileName) {
    return QStringLiteral("File ") + FileName + QStringLiteral(" exists! Overwrite ?");
}

std::optional<QString> TQtDialogs::OpenFileName(QWidget* parent) {
    // Streams come with many extensions; "All files" offers the rest.
    QString name =
        QFileDialog::getOpenFileName(parent, QString(), QString(), QString::fromLatin1(kOpenFilter));
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return name;
}

std::optional<QString> TQtDialogs::SaveFileName(QWidget* parent, const TSaveRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.Filter);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.ConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

bool TQtDialogs::ConfirmOverwrite(QWidget* parent, const QString& FileName) {
    return QMessageBox::warning(parent, QString::fromLatin1(kOverwriteTitle), OverwriteQuestion(FileName),
                                QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

bool TQtDialogs::ConfirmInPlaceChange(QWidget* parent, const QString& Question, bool& DontAskAgain) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Velmora"), Question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    auto* dontAsk = new QCheckBox(QStringLiteral("&Don't ask again"), &box);
    box.setCheckBox(dontAsk);
    const bool agreed = box.exec() == QMessageBox::Yes;
    DontAskAgain = agreed && dontAsk->isChecked();
    return agreed;
}

void TQtDialogs::ShowMessage(QWidget* parent, const QString& text) {
    // The core's boxes all report failures: files that cannot be read, a damaged cache.
    QMessageBox::critical(parent, QStringLiteral("Velmora"), text);
}

void TQtDialogs::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Velmora"), text);
}

void TQtDialogs::ShowAbout(QWidget* parent) {
    TAboutBox box(parent);
    box.exec();
}

void TQtDialogs::ShowHelp(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmora Help"), HelpText(), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("HelpBox"));
    box.setTextFormat(Qt::RichText);
    box.setIconPixmap(ProgramIcon().pixmap(QSize(48, 48), box.devicePixelRatioF()));
    box.exec();
}

std::optional<TGoToRequest> TQtDialogs::AskGoTo(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("GoToDialog"));
    dialog.setWindowTitle(QStringLiteral("Go to"));
    auto* kind = new QComboBox(&dialog);
    kind->addItems({QStringLiteral("GOP number"), QStringLiteral("Picture number"),
                    QStringLiteral("Time code (HH:MM:SS:FF)")});
    auto* value = new QLineEdit(&dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Go to:"), kind);
    form->addRow(QStringLiteral("&Value:"), value);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted || value->text().trimmed().isEmpty()) {
        return std::nullopt;
    }
    return TGoToRequest{static_cast<TGoToKind>(kind->currentIndex()), value->text()};
}

bool TQtDialogs::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

QString BrowserFailureText(const QUrl& url) {
    return QStringLiteral("No web browser could be started. The home page is ") + url.toString() +
           QStringLiteral(" .");
}

QString HelpText() {
    return QStringLiteral(
        "<h3>Velmora</h3>"
        "<p>Open an MPEG-1 or MPEG-2 video elementary stream with <b>File &rarr; Open</b> (Ctrl+O) and run "
        "<b>Processing &rarr; Start</b> (F5); Esc aborts a running parse or cut.</p>"
        "<p><b>Processing modes:</b> <i>Quick</i> gives the statistics only; <i>Show first GOP</i> lists "
        "the headers of the first run of pictures; <i>Show tree</i> lists every header and keeps an "
        "analysis cache (<tt>.vnf</tt>) beside the file; <i>Show extended tree</i> also lists user data, "
        "picture data and foreign start codes; <i>Rewrite cache</i> scans again and replaces the cache.</p>"
        "<p><b>The tree</b> shows one page of header records: PgUp/PgDn and the page buttons move by a "
        "page, Ctrl+G goes to a GOP, picture or time code. Right-click a picture for <i>Set Start</i>, "
        "<i>Set Finish</i> and <i>Cut to file</i>.</p>"
        "<p><b>The log</b> shows every message with its time; hover a line for its full text, right-click "
        "to copy or save it.</p>"
        "<p>The command-line program <tt>velmora-cli</tt> (<tt>velmora-cli --help</tt>) gives the same "
        "results for scripts.</p>");
}

}  // namespace velmora::gui
