#include "support/golden.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "support/temp_dir.h"

namespace velmora::test {

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> lines;
    std::istringstream in(Text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

testing::AssertionResult MatchesGolden(const std::string& Actual, const std::filesystem::path& Golden) {
    if (!std::filesystem::exists(Golden)) {
        return testing::AssertionFailure() << Golden.string() << " is missing";
    }
    const std::vector<uint8_t> bytes = ReadFileBytes(Golden.string());
    const std::string expected(bytes.begin(), bytes.end());
    if (Actual == expected) {
        return testing::AssertionSuccess();
    }
    const std::vector<std::string> want = Lines(expected);
    const std::vector<std::string> got = Lines(Actual);
    size_t line = 0;
    while (line < want.size() && line < got.size() && want[line] == got[line]) {
        ++line;
    }
    auto at = [line](const std::vector<std::string>& lines) {
        return line < lines.size() ? "\"" + lines[line] + "\"" : std::string("(end of text)");
    };
    return testing::AssertionFailure() << "output differs from " << Golden.string() << " at line " << line + 1
                                       << "\n  golden: " << at(want) << "\n  actual: " << at(got) << "\n("
                                       << want.size() << " golden lines, " << got.size() << " actual lines)";
}

bool UpdatingGoldenFiles() {
    const char* update = std::getenv("VELMORA_UPDATE_GOLDEN");
    return update != nullptr && std::string(update) == "1";
}

}  // namespace velmora::test
