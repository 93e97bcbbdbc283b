// The header tree page rendered into a QTreeWidget.
#pragma once

#include <QList>

#include "common/tree_sink.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace velmora::gui {

class TQtTreeSink : public ITreeSink {
  public:
    // The role under which a node keeps its header-list index.
    static constexpr int kDataRole = 0x0100;  // Qt::UserRole

    explicit TQtTreeSink(QTreeWidget* tree) : tree_(tree) {}

    TreeNodeId AddNode(TreeNodeId parent, const std::string& caption, int image,
                       std::optional<int32_t> data) override;
    void BeginUpdate() override;
    void EndUpdate() override;

    // The header-list index a node carries; child lines carry none and read as 0.
    static int32_t NodeData(const QTreeWidgetItem* item);

  private:
    QTreeWidget* tree_;
    bool updating_ = false;
    // Top-level nodes of the page being built: handing them to the tree in one call keeps a page
    // of 2000 entries cheap.
    QList<QTreeWidgetItem*> pending_;
};

}  // namespace velmora::gui
