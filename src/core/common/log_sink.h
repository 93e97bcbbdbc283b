// The log the tools and the window write to: a kind, a text and a text colour per entry.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct TColour {
    uint8_t R = 0, G = 0, B = 0;
    friend bool operator==(const TColour&, const TColour&) = default;
};

namespace colour {
inline constexpr TColour DarkBlue{0, 0, 100};   // progress information
inline constexpr TColour DarkGreen{0, 100, 0};  // processing finished
inline constexpr TColour Blue{0, 0, 255};       // a tool succeeded
inline constexpr TColour Red{255, 0, 0};        // failures and aborts
inline constexpr TColour DarkRed{100, 0, 0};    // messages of the analyser
}  // namespace colour

namespace logkind {
inline constexpr int Information = 1;
inline constexpr int Error = 2;
}  // namespace logkind

class ILogSink {
public:
    virtual ~ILogSink() = default;
    virtual void AddLog(int kind, const std::string& text, TColour colour) = 0;
};

}  // namespace velmora
