// A tree sink that records every call, for tests of the tree page builder.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/tree_sink.h"

namespace velmora::test {

struct TRecordedNode {
    TreeNodeId Id = kTreeRoot;
    TreeNodeId Parent = kTreeRoot;
    std::string Caption;
    int Image = 0;
    std::optional<int32_t> Data;
};

class TRecordingTreeSink : public ITreeSink {
  public:
    TreeNodeId AddNode(TreeNodeId parent, const std::string& caption, int image,
                       std::optional<int32_t> data) override;
    void BeginUpdate() override { Calls.push_back("BeginUpdate"); }
    void EndUpdate() override { Calls.push_back("EndUpdate"); }

    // Nodes in the order they were added; a node's id is its position + FirstId.
    std::vector<TRecordedNode> Nodes;
    // "BeginUpdate", "AddNode" and "EndUpdate" in call order.
    std::vector<std::string> Calls;
    // Ids start here so that tests can tell them from ids of an earlier sink.
    TreeNodeId FirstId = 1;

    std::vector<TRecordedNode> Children(TreeNodeId parent) const;
    std::vector<TRecordedNode> TopLevel() const { return Children(kTreeRoot); }
    std::vector<std::string> ChildCaptions(TreeNodeId parent) const;
};

}  // namespace velmora::test
