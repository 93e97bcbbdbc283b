#include "support/corpus.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace velmora::test {

std::filesystem::path CorpusDir() {
    if (const char* dir = std::getenv("VELMORA_CORPUS_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    return std::filesystem::path(VELMORA_SOURCE_DIR).parent_path() / "shared" / "corpus";
}

std::vector<std::filesystem::path> CorpusStreams() {
    std::vector<std::filesystem::path> streams;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(CorpusDir(), ec)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".m2v" || ext == ".m1v")) {
            streams.push_back(entry.path());
        }
    }
    std::sort(streams.begin(), streams.end());
    return streams;
}

}  // namespace velmora::test
