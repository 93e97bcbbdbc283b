// Helpers of the window tests: dialogs that answer from a script, a private settings store, the
// sample files, and waiting for the window's background work.
#pragma once

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <optional>
#include <vector>

#include "dialogs.h"
#include "qt_settings_store.h"
#include "video_form.h"

namespace velmora::gui::test {

class TScriptedDialogs : public IDialogs {
  public:
    // Answers handed out in order; an empty answer or an empty list is Cancel.
    QStringList OpenAnswers;
    QStringList SaveAnswers;
    bool OverwriteAnswer = true;
    bool InPlaceAnswer = true;
    bool DontAskAgainAnswer = false;
    QStringList InPlaceQuestions;

    std::vector<TSaveRequest> SaveRequests;
    QStringList OverwriteQuestions;
    QStringList Messages;
    QStringList Errors;
    std::vector<QUrl> Urls;
    int AboutCount = 0;
    int HelpCount = 0;
    std::vector<TGoToRequest> GoToAnswers;  // handed out in order; none left is Cancel
    bool UrlOpens = true;  // what OpenUrl answers: false stands for a desktop without a browser

    std::optional<QString> OpenFileName(QWidget* parent) override;
    std::optional<QString> SaveFileName(QWidget* parent, const TSaveRequest& request) override;
    bool ConfirmOverwrite(QWidget* parent, const QString& FileName) override;
    bool ConfirmInPlaceChange(QWidget* parent, const QString& Question, bool& DontAskAgain) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowAbout(QWidget* parent) override;
    void ShowHelp(QWidget* parent) override;
    std::optional<TGoToRequest> AskGoTo(QWidget* parent) override;
    bool OpenUrl(const QUrl& url) override;
};

// Points the per-user settings of the process at a temporary folder; call before any QSettings exists.
void UseScratchSettings(const QTemporaryDir& Dir);
// The window's store, emptied: the next window sees a first run.
void ClearSettings();
QSettings WindowSettings();

QString SamplePath();
// Writes the bundled sample Copies times over into FileName, for a run long enough to abort.
bool WriteRepeatedSample(const QString& FileName, int Copies);
// A committed test stream of tests/data; empty when the file is not there.
QString TestDataPath(const QString& Name);

// Waits until the window's running parse or GOP cut has ended.
bool WaitForJob(TVideoForm& Form, int TimeoutMs = 120000);
// Opens and processes FileName in Mode and waits for the run to end.
bool OpenAndProcess(TVideoForm& Form, const QString& FileName, int Mode);

QStringList LogTexts(const TVideoForm& Form);

}  // namespace velmora::gui::test
