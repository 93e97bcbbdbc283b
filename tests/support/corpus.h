// The shared corpus of real third-party streams, which a user's clone does not have: where it is
// and which streams it holds. Tests that use it skip when it is absent.
#pragma once

#include <filesystem>
#include <vector>

namespace velmora::test {

// VELMORA_CORPUS_DIR when set, otherwise ../shared/corpus beside the source folder.
std::filesystem::path CorpusDir();

// Every *.m2v and *.m1v below CorpusDir(), sorted by path; empty when there is no corpus.
std::vector<std::filesystem::path> CorpusStreams();

}  // namespace velmora::test
