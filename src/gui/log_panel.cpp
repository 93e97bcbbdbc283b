// Entries keep their caption as text and their kind and colour as item data; a delegate draws them.
#include "log_panel.h"

#include <QHeaderView>
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
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new TLogItemDelegate(this));
    header()->setStretchLastSection(false);
    setColumnWidth(0, kInitialColumnWidth);
}

void TLogPanel::Append(int Kind, const QString& Text, const QColor& Colour) {
    if (topLevelItemCount() > 0) {
        topLevelItem(topLevelItemCount() - 1)->setSelected(false);
    }
    auto* item = new QTreeWidgetItem;
    item->setText(0, QStringLiteral("  ") + LogTimeStamp() + QStringLiteral("   ") + Text);
    item->setData(0, kKindRole, Kind);
    item->setData(0, kColourRole, Colour);
    item->setIcon(0, IconOfKind(Kind));
    addTopLevelItem(item);
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

void TLogPanel::AdjustLogColumn() {
    // When the rows overflow, the vertical scroll bar takes room from the column.
    const int margin = VisibleRows() < topLevelItemCount() ? 23 : 5;
    setColumnWidth(0, std::max(0, width() - margin));
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
