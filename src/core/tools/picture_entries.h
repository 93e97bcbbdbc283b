// Picture entries of the header list, the cut points of the range cut and of the GOP cut.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/header_list.h"

namespace velmora {

// True for a picture header entry. A foreign start code 0xCB shares its kind but is listed without
// record bytes, so it never counts as a picture.
bool IsPictureEntry(const THeaderRecord& Entry);

// The index of the Number-th picture entry of the list, counting from 1 in stream order; nothing when
// the list holds fewer pictures.
std::optional<int64_t> PictureEntryIndex(const THeaderList& Headers, int64_t Number);

}  // namespace velmora
