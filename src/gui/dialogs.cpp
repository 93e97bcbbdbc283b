// The desktop's file dialogs and message boxes.
#include "dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

#include "about_box.h"

namespace velmora::gui {

QString OverwriteQuestion(const QString& FileName) {
    return QStringLiteral("File ") + FileName + QStringLiteral(" exists! Overwrite ?");
}

std::optional<QString> TQtDialogs::OpenFileName(QWidget* parent) {
    // Every file is offered: streams come with many extensions.
    QString name = QFileDialog::getOpenFileName(parent);
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

void TQtDialogs::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Velmora"), text);
}

void TQtDialogs::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Velmora"), text);
}

void TQtDialogs::ShowAbout(QWidget* parent) {
    TAboutBox box(parent);
    box.exec();
}

void TQtDialogs::OpenUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

}  // namespace velmora::gui
