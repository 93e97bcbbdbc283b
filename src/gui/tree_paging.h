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

// Where the page at Position (its first record, from 1) stands among the pages of Count records.
struct TPagePlace {
    int64_t Page = 0;
    int64_t Pages = 0;
    int64_t First = 0;  // records shown, from 1
    int64_t Last = 0;
};
TPagePlace PagePlaceAt(int64_t Count, int PageSize, int64_t Position);

}  // namespace velmora::gui
