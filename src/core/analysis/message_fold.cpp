// Folding of the analyser's repeated messages.
#include "analysis/message_fold.h"

namespace velmora {

namespace {
// What each kind's messages begin with, to name the kind in its line.
constexpr std::array<const char*, 2> kKindCaptions = {"Find not formatted stream or data",
                                                      "Unknown Frame Type!"};
}  // namespace

bool TMessageFold::Admit(TMessageKind Kind) {
    return ++FCounts[static_cast<size_t>(Kind)] <= kShownPerKind;
}

std::vector<std::string> TMessageFold::TakeFoldedLines() {
    std::vector<std::string> lines;
    for (size_t k = 0; k < FCounts.size(); ++k) {
        if (FCounts[k] > kShownPerKind) {
            lines.push_back("... and " + std::to_string(FCounts[k] - kShownPerKind) + " more (" +
                            kKindCaptions[k] + ")");
        }
        FCounts[k] = 0;
    }
    return lines;
}

}  // namespace velmora
