// Comparing program output with a golden file kept in the repository. Golden files are written
// only on request (an update script), never by an ordinary test run.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace velmora::test {

// Success when Actual equals the golden file byte for byte; otherwise a message with the first
// differing line of both, so a long golden file needs no full dump to see what changed.
testing::AssertionResult MatchesGolden(const std::string& Actual, const std::filesystem::path& Golden);

// The lines of Text, without their line ends.
std::vector<std::string> Lines(const std::string& Text);

// True when the environment asks the golden tests to write their files instead of comparing
// (VELMORA_UPDATE_GOLDEN=1, set only by the update scripts).
bool UpdatingGoldenFiles();

}  // namespace velmora::test
