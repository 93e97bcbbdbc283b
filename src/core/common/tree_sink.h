// Where a header tree page is built: the window renders it as tree items, the command line as
// indented text or JSON. Nodes are added top-down; a node id names a node for its children.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

using TreeNodeId = std::intptr_t;
inline constexpr TreeNodeId kTreeRoot = 0;

class ITreeSink {
public:
    virtual ~ITreeSink() = default;
    // Adds a node under parent (kTreeRoot for a top-level node) and returns its id, never kTreeRoot.
    // image is the image index (-1 for none); data is the entry index a node carries, if any.
    virtual TreeNodeId AddNode(TreeNodeId parent, const std::string& caption, int image,
                               std::optional<int32_t> data) = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};

}  // namespace velmora
