// Folding of the analyser's repeated messages: the first hundred of each kind are sent, the rest are
// counted and told in one line at the end of the parse.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

enum class TMessageKind { ForeignData, UnknownFrameType };

class TMessageFold {
  public:
    static constexpr int64_t kShownPerKind = 100;

    // Counts one message of this kind; true while it is among the first kShownPerKind, to be sent.
    bool Admit(TMessageKind Kind);
    // One line "... and N more (WHAT)" per kind that went past its limit, in the order of the kinds;
    // every count starts again from zero.
    std::vector<std::string> TakeFoldedLines();

  private:
    std::array<int64_t, 2> FCounts{};
};

}  // namespace velmora
