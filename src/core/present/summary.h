// The summary labels of the window, in window order: their captions before the first run and
// their texts after a run. The window and the command line both show these.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora {

class TM2VStream;

struct TSummaryLabel {
    std::string Name;  // the window's label name: "ResolutionLabel", "DropTypeLabel", ...
    std::string Text;
};

// The labels with their captions before the first run.
std::vector<TSummaryLabel> SummaryCaptions();

// The labels after a run, in the order the window fills them. A label whose Text is empty
// (std::nullopt) keeps the text it had ("Pull Down Picture Count" when no frame was displayed).
struct TSummaryText {
    std::string Name;
    std::optional<std::string> Text;
};
std::vector<TSummaryText> SummaryTexts(const TM2VStream& stream);

}  // namespace velmora
