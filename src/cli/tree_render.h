// Collects a header tree page from the core and renders it for the command line: indented text or
// JSON nodes.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/tree_sink.h"

namespace velmora::cli {

class TTreeCollector : public ITreeSink {
  public:
    TreeNodeId AddNode(TreeNodeId parent, const std::string& caption, int image,
                       std::optional<int32_t> data) override;
    void BeginUpdate() override {}
    void EndUpdate() override {}

    // One node a line, two spaces of indent per level below the top.
    void WriteText(std::ostream& out) const;
    // The top-level nodes as an array of {caption, image, data, children}; data is null when the
    // node carries none.
    nlohmann::json ToJson() const;

  private:
    struct TNode {
        std::string Caption;
        int Image = 0;
        std::optional<int32_t> Data;
        std::vector<size_t> Children;
    };
    void WriteText(std::ostream& out, const std::vector<size_t>& nodes, int depth) const;
    nlohmann::json ToJson(const std::vector<size_t>& nodes) const;

    std::vector<TNode> nodes_;  // node id - 1 is the position here
    std::vector<size_t> top_;
};

}  // namespace velmora::cli
