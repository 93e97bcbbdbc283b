// Scroll bar set-up after a run.
#include "tree_paging.h"

#include <algorithm>
#include <climits>

namespace velmora::gui {
namespace {

constexpr int64_t kScrollTail = 60;

}  // namespace

TScrollSetUp ScrollSetUpFor(int64_t Count) {
    if (Count <= 0) {
        return {};
    }
    const int64_t maximum = std::min<int64_t>(Count < kScrollTail ? Count : Count - kScrollTail, INT_MAX);
    TScrollSetUp setUp;
    setUp.Maximum = static_cast<int>(maximum);
    setUp.Position = std::clamp(1, setUp.Minimum, setUp.Maximum);
    return setUp;
}

}  // namespace velmora::gui
