// Entries keep their caption as text and their kind and colour as item data; a delegate draws them.
#include "log_panel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTime>

#include "images.h"

namespace velmora::gui {
namespace {

constexpr int kIconLeft = 1;
constexpr int kTextLeft = 18;  // room for the 16-pixel icon
constexpr int kTextTop = 2;
// The caption is "  " + time stamp + "   " + text.
constexpr int kCaptionPrefixLength = 2 + 8 + 3;
constexpr int kTextRightMargin = 8;

class TLogItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        QColor textColour = index.data(TLogPanel::kColourRole).value<QColor>();
        if (selected) {
            // A selected entry is white on the highlight colour whatever its own colour.
            painter->fillRect(option.rect, option.palette.color(QPalette::Active, QPalette::Highlight));
            textColour = Qt::white;
        }
        const QRect rect = option.rect;
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        if (!icon.isNull()) {
            icon.paint(painter,
                       QRect(rect.left() + kIconLeft, rect.top() + (rect.height() - 16) / 2, 16, 16));
        }
        painter->setPen(textColour);
        painter->setFont(option.font);
        const QRect textRect = rect.adjusted(kTextLeft, kTextTop, 0, 0);
        const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                           Qt::ElideRight, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max({size.height(), 18, option.fontMetrics.height() + kTextTop + 2}));
        return size;
    }
};

QIcon IconOfKind(int Kind) {
    switch (Kind) {
        case 1:
            return LogImage(logimage::Information);
        case 2:
            return LogImage(logimage::Warning);
        default:
            return QIcon();
    }
}

}  // namespace

QString LogTimeStamp() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

TLogPanel::TLogPanel(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("Log"));
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Long lines (foreign data with its position and length, the reasons of failures) scroll sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(new TLogItemDelegate(this));
    header()->setStretchLastSection(false);
    setColumnWidth(0, kInitialColumnWidth);

    const auto addLogAction = [this](const char* Name, const QString& Caption) {
        auto* action = new QAction(Caption, this);
        action->setObjectName(QString::fromLatin1(Name));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        QWidget::addAction(action);
        return action;
    };
    FCopyAction = addLogAction("LogCopyAction", QStringLiteral("&Copy"));
    FCopyAction->setShortcut(QKeySequence::Copy);
    connect(FCopyAction, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(SelectedText()); });
    FCopyLogAction = addLogAction("LogCopyAllAction", QStringLiteral("Copy &log"));
    connect(FCopyLogAction, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(ShownText()); });
    FSaveLogAction = addLogAction("LogSaveAction", QStringLiteral("&Save log..."));
    connect(FSaveLogAction, &QAction::triggered, this, &TLogPanel::SaveRequested);
    FErrorsOnlyAction = addLogAction("LogErrorsOnlyAction", QStringLiteral("&Errors only"));
    FErrorsOnlyAction->setCheckable(true);
    connect(FErrorsOnlyAction, &QAction::toggled, this, &TLogPanel::SetErrorsOnly);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &TLogPanel::ShowMenu);
}

void TLogPanel::ShowMenu(const QPoint& Position) {
    QMenu menu(this);
    FCopyAction->setEnabled(!selectedItems().isEmpty());
    menu.addAction(FCopyAction);
    menu.addAction(FCopyLogAction);
    menu.addAction(FSaveLogAction);
    menu.addSeparator();
    menu.addAction(FErrorsOnlyAction);
    menu.exec(viewport()->mapToGlobal(Position));
}

void TLogPanel::Append(int Kind, const QString& Text, const QColor& Colour) {
    if (topLevelItemCount() > 0) {
        topLevelItem(topLevelItemCount() - 1)->setSelected(false);
    }
    auto* item = new QTreeWidgetItem;
    const QString caption = QStringLiteral("  ") + LogTimeStamp() + QStringLiteral("   ") + Text;
    item->setText(0, caption);
    item->setToolTip(0, caption);
    FWidestCaption = std::max(FWidestCaption, fontMetrics().horizontalAdvance(caption));
    item->setData(0, kKindRole, Kind);
    item->setData(0, kColourRole, Colour);
    item->setIcon(0, IconOfKind(Kind));
    addTopLevelItem(item);
    item->setHidden(HiddenByFilter(item));
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    item->setSelected(true);
    AdjustLogColumn();
    scrollToItem(item);
}

int TLogPanel::VisibleRows() const {
    const int rowHeight = topLevelItemCount() > 0 ? visualItemRect(topLevelItem(0)).height() : 0;
    if (rowHeight <= 0) {
        return 0;
    }
    return viewport()->height() / rowHeight;
}

void TLogPanel::Clear() {
    clear();
    FWidestCaption = 0;
}

void TLogPanel::AdjustLogColumn() {
    // When the rows overflow, the vertical scroll bar takes room from the column.
    const int margin = VisibleRows() < topLevelItemCount() ? 23 : 5;
    const int fitted = std::max(0, width() - margin);
    const int widest = FWidestCaption > 0 ? FWidestCaption + kTextLeft + kTextRightMargin : 0;
    setColumnWidth(0, std::max(fitted, widest));
}

bool TLogPanel::HiddenByFilter(const QTreeWidgetItem* Item) const {
    return ErrorsOnly() && Item->data(0, kKindRole).toInt() != 2;
}

void TLogPanel::SetErrorsOnly(bool ErrorsOnly) {
    if (FErrorsOnlyAction->isChecked() != ErrorsOnly) {
        FErrorsOnlyAction->setChecked(ErrorsOnly);  // comes back here through its signal
        return;
    }
    for (int row = 0; row < topLevelItemCount(); ++row) {
        topLevelItem(row)->setHidden(HiddenByFilter(topLevelItem(row)));
    }
}

bool TLogPanel::ErrorsOnly() const {
    return FErrorsOnlyAction->isChecked();
}

QString TLogPanel::ShownText() const {
    QStringList lines;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (!topLevelItem(row)->isHidden()) {
            lines.append(topLevelItem(row)->text(0));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString TLogPanel::SelectedText() const {
    QStringList lines;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = topLevelItem(row);
        if (!item->isHidden() && item->isSelected()) {
            lines.append(item->text(0));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString TLogPanel::EntryText(int Row) const {
    return topLevelItem(Row)->text(0).mid(kCaptionPrefixLength);
}

int TLogPanel::EntryKind(int Row) const {
    return topLevelItem(Row)->data(0, kKindRole).toInt();
}

QColor TLogPanel::EntryColour(int Row) const {
    return topLevelItem(Row)->data(0, kColourRole).value<QColor>();
}

void TLogPanel::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    AdjustLogColumn();
}

}  // namespace velmora::gui
