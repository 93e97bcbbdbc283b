// The user's settings in the per-user QSettings store of organisation "Brimvale", application "Velmora".
#pragma once

#include <QSettings>

#include "settings/settings_store.h"

namespace velmora::gui {

class TQtSettingsStore : public ISettingsStore {
  public:
    TQtSettingsStore();

    bool Exists() const override;
    std::optional<int32_t> ReadInt(const std::string& Name) const override;
    std::optional<std::string> ReadString(const std::string& Name) const override;
    void WriteInt(const std::string& Name, int32_t Value) override;
    void WriteString(const std::string& Name, const std::string& Value) override;

  private:
    QSettings settings_;
};

}  // namespace velmora::gui
