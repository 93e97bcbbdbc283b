#include "support/recording_tree_sink.h"

namespace velmora::test {

TreeNodeId TRecordingTreeSink::AddNode(TreeNodeId parent, const std::string& caption, int image,
                                       std::optional<int32_t> data) {
    Calls.push_back("AddNode");
    const TreeNodeId id = FirstId + static_cast<TreeNodeId>(Nodes.size());
    Nodes.push_back({id, parent, caption, image, data});
    return id;
}

std::vector<TRecordedNode> TRecordingTreeSink::Children(TreeNodeId parent) const {
    std::vector<TRecordedNode> children;
    for (const TRecordedNode& node : Nodes) {
        if (node.Parent == parent) {
            children.push_back(node);
        }
    }
    return children;
}

std::vector<std::string> TRecordingTreeSink::ChildCaptions(TreeNodeId parent) const {
    std::vector<std::string> captions;
    for (const TRecordedNode& node : Children(parent)) {
        captions.push_back(node.Caption);
    }
    return captions;
}

}  // namespace velmora::test
