// The table of processing modes.
#include "settings/processing_mode.h"

#include <array>

namespace velmora {
namespace {

// Only "Show tree" and "Rewrite cache" use the cache; the cache and the first-run limit are never
// set together because the cache is written only by a full scan.
constexpr std::array<TProcessingMode, 5> kModes = {{
    {"Quick", "quick", true, false, false, false, false},
    {"Show first GOP", "first-gop", false, false, true, false, false},
    {"Show tree", "tree", false, true, false, false, false},
    {"Show extended tree", "extended-tree", false, false, false, true, false},
    {"Rewrite cache", "rewrite-cache", false, true, false, false, true},
}};

}  // namespace

std::span<const TProcessingMode> ProcessingModes() {
    return kModes;
}

const TProcessingMode* FindProcessingMode(int32_t Index) {
    if (Index < 0 || Index >= static_cast<int32_t>(kModes.size())) {
        return nullptr;
    }
    return &kModes[static_cast<size_t>(Index)];
}

int32_t ProcessingModeFromCliName(std::string_view CliName) {
    for (size_t i = 0; i < kModes.size(); ++i) {
        if (kModes[i].CliName == CliName) {
            return static_cast<int32_t>(i);
        }
    }
    return kNoProcessingMode;
}

}  // namespace velmora
