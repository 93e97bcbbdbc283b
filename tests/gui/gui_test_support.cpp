// Scripted dialogs and the waits of the window tests.
#include "gui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include "log_panel.h"
#include "settings/settings.h"

namespace velmora::gui::test {

namespace {

std::optional<QString> TakeAnswer(QStringList& answers) {
    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    if (answer.isEmpty()) {
        return std::nullopt;
    }
    return answer;
}

}  // namespace

std::optional<QString> TScriptedDialogs::OpenFileName(QWidget*) {
    return TakeAnswer(OpenAnswers);
}

std::optional<QString> TScriptedDialogs::SaveFileName(QWidget*, const TSaveRequest& request) {
    SaveRequests.push_back(request);
    return TakeAnswer(SaveAnswers);
}

bool TScriptedDialogs::ConfirmOverwrite(QWidget*, const QString& FileName) {
    OverwriteQuestions.append(OverwriteQuestion(FileName));
    return OverwriteAnswer;
}

bool TScriptedDialogs::ConfirmInPlaceChange(QWidget*, const QString& Question, bool& DontAskAgain) {
    InPlaceQuestions.append(Question);
    DontAskAgain = DontAskAgainAnswer;
    return InPlaceAnswer;
}

void TScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
    Messages.append(text);
}

void TScriptedDialogs::ShowError(QWidget*, const QString& text) {
    Errors.append(text);
}

void TScriptedDialogs::ShowAbout(QWidget*) {
    ++AboutCount;
}

void TScriptedDialogs::ShowHelp(QWidget*) {
    ++HelpCount;
}

std::optional<TGoToRequest> TScriptedDialogs::AskGoTo(QWidget*) {
    if (GoToAnswers.empty()) {
        return std::nullopt;
    }
    const TGoToRequest answer = GoToAnswers.front();
    GoToAnswers.erase(GoToAnswers.begin());
    return answer;
}

bool TScriptedDialogs::OpenUrl(const QUrl& url) {
    Urls.push_back(url);
    return UrlOpens;
}

void UseScratchSettings(const QTemporaryDir& Dir) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Dir.path());
}

QSettings WindowSettings() {
    return QSettings(QSettings::UserScope, QString::fromLatin1(kSettingsOrganisation),
                     QString::fromLatin1(kSettingsApplication));
}

void ClearSettings() {
    QSettings settings = WindowSettings();
    settings.clear();
    settings.sync();
}

QString SamplePath() {
    return QStringLiteral(VELMORA_SOURCE_DIR "/samples/sample.m2v");
}

bool WriteRepeatedSample(const QString& FileName, int Copies) {
    QFile sample(SamplePath());
    QFile target(FileName);
    if (!sample.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = sample.readAll();
    for (int i = 0; i < Copies; ++i) {
        if (target.write(bytes) != bytes.size()) {
            return false;
        }
    }
    return true;
}

QString TestDataPath(const QString& Name) {
    const QString path = QStringLiteral(VELMORA_TEST_DATA_DIR "/") + Name;
    return QFileInfo::exists(path) ? path : QString();
}

bool WaitForJob(TVideoForm& Form, int TimeoutMs) {
    if (!Form.Busy()) {
        return true;
    }
    QSignalSpy finished(&Form, &TVideoForm::JobFinished);
    return finished.wait(TimeoutMs);
}

bool OpenAndProcess(TVideoForm& Form, const QString& FileName, int Mode) {
    Form.findChild<QComboBox*>(QStringLiteral("ModeBox"))->setCurrentIndex(Mode);
    Form.findChild<QCheckBox*>(QStringLiteral("ProcessAfterOpenBox"))->setChecked(true);
    Form.OpenFile(FileName);
    return WaitForJob(Form);
}

QStringList LogTexts(const TVideoForm& Form) {
    QStringList texts;
    for (int row = 0; row < Form.Log()->topLevelItemCount(); ++row) {
        texts.append(Form.Log()->EntryText(row));
    }
    return texts;
}

}  // namespace velmora::gui::test
