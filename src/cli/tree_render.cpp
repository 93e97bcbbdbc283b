#include "tree_render.h"

namespace velmora::cli {

TreeNodeId TTreeCollector::AddNode(TreeNodeId parent, const std::string& caption, int image,
                                   std::optional<int32_t> data) {
    const size_t position = nodes_.size();
    nodes_.push_back({caption, image, data, {}});
    if (parent == kTreeRoot) {
        top_.push_back(position);
    } else {
        nodes_[static_cast<size_t>(parent) - 1].Children.push_back(position);
    }
    return static_cast<TreeNodeId>(position + 1);
}

void TTreeCollector::WriteText(std::ostream& out) const {
    WriteText(out, top_, 0);
}

void TTreeCollector::WriteText(std::ostream& out, const std::vector<size_t>& nodes, int depth) const {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    for (const size_t n : nodes) {
        out << indent << nodes_[n].Caption << '\n';
        WriteText(out, nodes_[n].Children, depth + 1);
    }
}

nlohmann::json TTreeCollector::ToJson() const {
    return ToJson(top_);
}

nlohmann::json TTreeCollector::ToJson(const std::vector<size_t>& nodes) const {
    nlohmann::json array = nlohmann::json::array();
    for (const size_t n : nodes) {
        const TNode& node = nodes_[n];
        array.push_back({{"caption", node.Caption},
                         {"image", node.Image},
                         {"data", node.Data ? nlohmann::json(*node.Data) : nlohmann::json(nullptr)},
                         {"children", ToJson(node.Children)}});
    }
    return array;
}

}  // namespace velmora::cli
