// Nodes become QTreeWidgetItems; a node id is the item's address.
#include "qt_tree_sink.h"

#include <QTreeWidget>

#include "images.h"

namespace velmora::gui {

static_assert(TQtTreeSink::kDataRole == Qt::UserRole);

TreeNodeId TQtTreeSink::AddNode(TreeNodeId parent, const std::string& caption, int image,
                                std::optional<int32_t> data) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(caption));
    if (image >= 0) {
        item->setIcon(0, TreeImage(image));
    }
    if (data) {
        item->setData(0, kDataRole, *data);
    }
    if (parent == kTreeRoot) {
        if (updating_) {
            pending_.append(item);
        } else {
            tree_->addTopLevelItem(item);
        }
    } else {
        reinterpret_cast<QTreeWidgetItem*>(parent)->addChild(item);
    }
    return reinterpret_cast<TreeNodeId>(item);
}

void TQtTreeSink::BeginUpdate() {
    updating_ = true;
    tree_->setUpdatesEnabled(false);
}

void TQtTreeSink::EndUpdate() {
    updating_ = false;
    tree_->addTopLevelItems(pending_);
    pending_.clear();
    tree_->setUpdatesEnabled(true);
}

int32_t TQtTreeSink::NodeData(const QTreeWidgetItem* item) {
    return item ? item->data(0, kDataRole).toInt() : 0;
}

}  // namespace velmora::gui
