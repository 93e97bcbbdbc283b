// The tree's scroll bar: its range for a header list and a page size, and where a page stands.
#pragma once

#include <cstdint>

namespace velmora::gui {

struct TScrollSetUp {
    int Minimum = 0;
    int Maximum = 0;
    int Position = 0;
    int PageStep = 1;
};

// For a header list of Count records shown PageSize at a time: all 0 for an empty list; otherwise
// positions 1 .. Count - PageSize + 1 (at least 1), so the last page ends on the last record; position
// 1; a click in the trough moves a whole page.
TScrollSetUp ScrollSetUpFor(int64_t Count, int PageSize);

}  // namespace velmora::gui
