// The log list of the window: one entry per message with its kind, icon, text colour and the local
// time at which it was added; its context menu copies, saves and filters the entries.
#pragma once

#include <QColor>
#include <QString>
#include <QTreeWidget>

class QAction;

namespace velmora::gui {

class TLogPanel : public QTreeWidget {
    Q_OBJECT
  public:
    static constexpr int kKindRole = Qt::UserRole;
    static constexpr int kColourRole = Qt::UserRole + 1;
    static constexpr int kInitialColumnWidth = 500;

    explicit TLogPanel(QWidget* parent = nullptr);

    // Appends an entry, selects it alone and scrolls it into view.
    void Append(int Kind, const QString& Text, const QColor& Colour);
    // Removes every entry.
    void Clear();
    // Fits the column to the list, leaving room for a vertical scroll bar when one is shown; a line
    // wider than the list widens the column, and the list scrolls sideways.
    void AdjustLogColumn();
    // Rows that fit in the list's visible area.
    int VisibleRows() const;

    // Entry access for the window's users and tests.
    QString EntryText(int Row) const;  // the message without the time stamp
    int EntryKind(int Row) const;
    QColor EntryColour(int Row) const;

    // The captions of the entries shown (all, or the selected ones), one a line.
    QString ShownText() const;
    QString SelectedText() const;
    // Shows only the entries of kind 2 (errors) while set.
    void SetErrorsOnly(bool ErrorsOnly);
    bool ErrorsOnly() const;

  signals:
    // "Save log..." was chosen: the window asks for the file.
    void SaveRequested();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowMenu(const QPoint& Position);
    bool HiddenByFilter(const QTreeWidgetItem* Item) const;

    int FWidestCaption = 0;
    QAction* FCopyAction = nullptr;
    QAction* FCopyLogAction = nullptr;
    QAction* FSaveLogAction = nullptr;
    QAction* FErrorsOnlyAction = nullptr;
};

// "HH:MM:SS" of the local wall-clock time.
QString LogTimeStamp();

}  // namespace velmora::gui
