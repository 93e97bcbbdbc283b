// One page of the header tree: top-level nodes for a run of header-list entries, with their fields
// as child lines.
#pragma once

#include <cstdint>

#include "analysis/header_list.h"
#include "common/progress_sink.h"
#include "common/tree_sink.h"

namespace velmora {

// Image indexes of the tree nodes in the window's image list.
namespace treeimage {
inline constexpr int Line = 0;
inline constexpr int TimeCode = 1;
inline constexpr int SequenceHeader = 2;
inline constexpr int Extension = 3;
inline constexpr int GopHeader = 4;
inline constexpr int IFrame = 5;
inline constexpr int PFrame = 6;
inline constexpr int BFrame = 7;
inline constexpr int CodingExtension = 8;
inline constexpr int UserData = 9;
inline constexpr int StreamId = 10;
inline constexpr int None = -1;
}  // namespace treeimage

// Adds the nodes of the entries numbered FirstEntry .. FirstEntry + EntryCount - 1 (counted from 1)
// to tree, between BeginUpdate and EndUpdate. Entries beyond the list are ignored. With progress
// given, it runs from 0 to gopCount and follows the GOP headers of the page. lastPictureNode is the
// node of the last picture header added, parent of the following "Coding extension"; it is reset
// first, because the nodes of an earlier page no longer exist.
void BuildTreePage(const THeaderList& headers, int64_t FirstEntry, int64_t EntryCount, ITreeSink& tree,
                   IProgressSink* progress, int64_t gopCount, TreeNodeId& lastPictureNode);

}  // namespace velmora
