// The processing modes the user picks from: their names and the analyser options each one sets.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace velmora {

struct TProcessingMode {
    std::string_view Name;     // entry of the window's mode list
    std::string_view CliName;  // value of the command line's --mode
    // Analyser options set before the parse; the field names are the analyser's own.
    bool FQuickMode;
    bool FUseCache;
    bool FFirstRunOnly;
    bool ExtendedRecords;    // passed to ParseStream
    bool DeletesCacheFirst;  // the stream's cache file is deleted before the parse
};

inline constexpr int32_t kQuickMode = 0;
inline constexpr int32_t kShowFirstGopMode = 1;
inline constexpr int32_t kShowTreeMode = 2;
inline constexpr int32_t kShowExtendedTreeMode = 3;
inline constexpr int32_t kRewriteCacheMode = 4;
// The stored index of a mode list without a selection.
inline constexpr int32_t kNoProcessingMode = -1;

// All modes, indexed by the stored mode number (0 "Quick" .. 4 "Rewrite cache").
std::span<const TProcessingMode> ProcessingModes();

// The mode of a stored index, or nullptr for any index outside 0..4. Such an index sets no options:
// the analyser keeps the defaults of its construction, which behave as "Quick", and parses without
// extended records.
const TProcessingMode* FindProcessingMode(int32_t Index);

// Index of the mode with this command-line name, or kNoProcessingMode when there is none.
int32_t ProcessingModeFromCliName(std::string_view CliName);

}  // namespace velmora
