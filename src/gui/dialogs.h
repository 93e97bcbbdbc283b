// The questions and boxes the window puts to the user, behind an interface so tests can answer them.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

#include "record_search.h"

class QWidget;

namespace velmora::gui {

struct TSaveRequest {
    QString Filter;         // in the Qt form, "Text files (*.txt)"
    QString DefaultSuffix;  // appended when the user types a name without one
    bool ConfirmOverwrite = true;
};

class IDialogs {
  public:
    virtual ~IDialogs() = default;
    // The chosen file, or nothing when the user cancels.
    virtual std::optional<QString> OpenFileName(QWidget* parent) = 0;
    virtual std::optional<QString> SaveFileName(QWidget* parent, const TSaveRequest& request) = 0;
    // The "Warning!" box: true when the user agrees to replace FileName.
    virtual bool ConfirmOverwrite(QWidget* parent, const QString& FileName) = 0;
    // A question before a file is changed in place: true when the user agrees; DontAskAgain tells
    // whether the user ticked "Don't ask again".
    virtual bool ConfirmInPlaceChange(QWidget* parent, const QString& Question, bool& DontAskAgain) = 0;
    // A message of the core (file errors, a damaged cache).
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // A failure of a command that nothing else reports.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    virtual void ShowAbout(QWidget* parent) = 0;
    virtual void ShowHelp(QWidget* parent) = 0;
    // The record to go to, or nothing when the user cancels.
    virtual std::optional<TGoToRequest> AskGoTo(QWidget* parent) = 0;
    // False when no program could be started to show the address.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The real dialogs of the desktop.
class TQtDialogs : public IDialogs {
  public:
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

// The text of the box that says the home page could not be shown.
QString BrowserFailureText(const QUrl& url);
// The text of Help -> Help: what the window does and its keys.
QString HelpText();

// The text of the overwrite question, shared by the box and the tests.
QString OverwriteQuestion(const QString& FileName);
inline constexpr const char* kOverwriteTitle = "Warning!";
inline constexpr const char* kOpenFilter =
    "MPEG video (*.m2v *.mpv *.m1v *.mpg *.vob *.ts *.m2ts);;All files (*)";

}  // namespace velmora::gui
