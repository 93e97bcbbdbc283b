// The place the user's settings persist in, reduced to what the settings logic needs. The desktop
// program backs it with its per-user configuration store; tests use a map in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

class ISettingsStore {
  public:
    virtual ~ISettingsStore() = default;

    // True once settings have been saved here at least once.
    virtual bool Exists() const = 0;
    // The value, or nothing when it is missing or not of that type.
    virtual std::optional<int32_t> ReadInt(const std::string& Name) const = 0;
    virtual std::optional<std::string> ReadString(const std::string& Name) const = 0;
    // Writing creates the store when it does not exist yet.
    virtual void WriteInt(const std::string& Name, int32_t Value) = 0;
    virtual void WriteString(const std::string& Name, const std::string& Value) = 0;
};

}  // namespace velmora
