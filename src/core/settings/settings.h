// The three user settings, their defaults, and how they are loaded, shown and saved.
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

namespace velmora {

// Where the desktop program keeps its settings, and the names of the stored values.
inline constexpr const char* kSettingsOrganisation = "Brimvale";
inline constexpr const char* kSettingsApplication = "Velmora";
inline constexpr const char* kSettingsVersionName = "Version";
inline constexpr const char* kSettingsProcessAfterOpenName = "ProcessAfterOpen";
inline constexpr const char* kSettingsBlocksPerPageName = "BlocksPerPage";
inline constexpr const char* kSettingsProcessingModeName = "ProcessingMode";
// Written on every save, never read.
inline constexpr const char* kSettingsVersion = "1.3";

inline constexpr int32_t kMinBlocksPerPage = 1;
inline constexpr int32_t kMaxBlocksPerPage = 2000;

struct TSettings {
    bool ProcessAfterOpen = true;  // start processing right after Open
    int32_t BlocksPerPage = 150;   // header records per tree page
    int32_t ProcessingMode = 0;    // index of the processing mode, -1 for none
    friend bool operator==(const TSettings&, const TSettings&) = default;
};

TSettings DefaultSettings();

// The stored values as read. A first run (nothing stored yet) saves the defaults at once and returns
// them; a value that is missing or of another type reads as its default.
TSettings LoadSettings(ISettingsStore& Store);

// Writes the version and the three values, creating the store when needed.
void SaveSettings(ISettingsStore& Store, const TSettings& Settings);

// The settings as the window's controls show them, which is also what the next save writes: the page
// size held within 1..2000, a mode outside 0..4 as no selection (-1), which runs as "Quick".
TSettings ShownSettings(const TSettings& Settings);

}  // namespace velmora
