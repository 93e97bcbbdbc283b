// The log list of the window: one entry per message with its kind, icon, text colour and the local
// time at which it was added.
#pragma once

#include <QColor>
#include <QString>
#include <QTreeWidget>

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
    // Fits the column to the list, leaving room for a vertical scroll bar when one is shown.
    void AdjustLogColumn();
    // Rows that fit in the list's visible area.
    int VisibleRows() const;

    // Entry access for the window's users and tests.
    QString EntryText(int Row) const;  // the message without the time stamp
    int EntryKind(int Row) const;
    QColor EntryColour(int Row) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
};

// "HH:MM:SS" of the local wall-clock time.
QString LogTimeStamp();

}  // namespace velmora::gui
