// Scroll bar set-up for a header list and a page size.
#include "tree_paging.h"

#include <algorithm>
#include <climits>

namespace velmora::gui {

TScrollSetUp ScrollSetUpFor(int64_t Count, int PageSize) {
    if (Count <= 0) {
        return {};
    }
    const int64_t size = std::max(PageSize, 1);
    TScrollSetUp setUp;
    setUp.Minimum = 1;
    setUp.Maximum = static_cast<int>(std::clamp<int64_t>(Count - size + 1, 1, INT_MAX));
    setUp.Position = 1;
    setUp.PageStep = static_cast<int>(size);
    return setUp;
}

TPagePlace PagePlaceAt(int64_t Count, int PageSize, int64_t Position) {
    if (Count <= 0) {
        return {};
    }
    const int64_t size = std::max(PageSize, 1);
    TPagePlace place;
    place.Pages = (Count + size - 1) / size;
    place.First = std::clamp<int64_t>(Position, 1, Count);
    place.Last = std::min(Count, place.First + size - 1);
    // A page that ends on the last record is the last page, wherever it starts.
    place.Page = place.Last == Count ? place.Pages : (place.First - 1) / size + 1;
    return place;
}

}  // namespace velmora::gui
