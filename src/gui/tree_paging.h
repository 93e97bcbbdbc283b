// The tree's scroll bar: the range and first position it gets after a run.
#pragma once

#include <cstdint>

namespace velmora::gui {

struct TScrollSetUp {
    int Minimum = 0;
    int Maximum = 0;
    int Position = 0;
};

// For a header list of Count records: all 0 for an empty list; otherwise 0 .. Count, or Count - 60 from
// 60 records on, so the last page still shows a few records; position 1 held within that range.
TScrollSetUp ScrollSetUpFor(int64_t Count);

}  // namespace velmora::gui
