// Loading, showing and saving the user settings against any settings store.
#include "settings/settings.h"

#include <algorithm>
#include <optional>

#include "settings/processing_mode.h"

namespace velmora {

TSettings DefaultSettings() {
    return TSettings{};
}

TSettings LoadSettings(ISettingsStore& Store) {
    const TSettings defaults = DefaultSettings();
    if (!Store.Exists()) {
        SaveSettings(Store, defaults);
        return defaults;
    }
    TSettings settings;
    // A value edited by hand or left by another version may be missing or mistyped; its default is
    // the only value that means something then.
    const std::optional<int32_t> processAfterOpen = Store.ReadInt(kSettingsProcessAfterOpenName);
    settings.ProcessAfterOpen = processAfterOpen ? *processAfterOpen != 0 : defaults.ProcessAfterOpen;
    settings.BlocksPerPage = Store.ReadInt(kSettingsBlocksPerPageName).value_or(defaults.BlocksPerPage);
    settings.ProcessingMode = Store.ReadInt(kSettingsProcessingModeName).value_or(defaults.ProcessingMode);
    return settings;
}

void SaveSettings(ISettingsStore& Store, const TSettings& Settings) {
    Store.WriteString(kSettingsVersionName, kSettingsVersion);
    Store.WriteInt(kSettingsProcessAfterOpenName, Settings.ProcessAfterOpen ? 1 : 0);
    Store.WriteInt(kSettingsBlocksPerPageName, Settings.BlocksPerPage);
    Store.WriteInt(kSettingsProcessingModeName, Settings.ProcessingMode);
}

TSettings ShownSettings(const TSettings& Settings) {
    TSettings shown = Settings;
    shown.BlocksPerPage = std::clamp(Settings.BlocksPerPage, kMinBlocksPerPage, kMaxBlocksPerPage);
    if (FindProcessingMode(Settings.ProcessingMode) == nullptr) {
        shown.ProcessingMode = kNoProcessingMode;
    }
    return shown;
}

}  // namespace velmora
