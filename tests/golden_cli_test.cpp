// velmora-cli's output on the committed sample streams against the golden files of tests/golden,
// which only tests/golden/update-golden rewrites.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

const std::filesystem::path kSourceDir = VELMORA_SOURCE_DIR;
const std::filesystem::path kGoldenDir = kSourceDir / "tests" / "golden";

struct TGoldenCase {
    std::string Output;  // golden file name
    std::string Args;
};

std::ostream& operator<<(std::ostream& out, const TGoldenCase& c) {
    return out << c.Output;
}

std::vector<TGoldenCase> GoldenCases() {
    std::vector<TGoldenCase> cases;
    std::ifstream in(kGoldenDir / "cases");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t space = line.find(' ');
        cases.push_back({line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)});
    }
    return cases;
}

// A fresh folder with the sample streams, as update-golden prepares for every case.
void CopySamples(const test::TempDir& dir) {
    std::filesystem::copy_file(kSourceDir / "samples" / "sample.m2v", dir.path() / "sample.m2v");
    for (const auto& entry : std::filesystem::directory_iterator(kSourceDir / "tests" / "data")) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".m2v" || extension == ".m1v") {
            std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
        }
    }
}

class GoldenCli : public testing::TestWithParam<TGoldenCase> {};

TEST_P(GoldenCli, OutputEqualsTheGoldenFile) {
    const TGoldenCase& c = GetParam();
    const test::TempDir dir;
    CopySamples(dir);
    const test::TCliResult result = test::RunCli(VELMORA_CLI_PATH, dir.path().string(), c.Args);
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_TRUE(test::MatchesGolden(result.Out, kGoldenDir / c.Output))
        << "velmora-cli " << c.Args
        << "\n(rebuild with tests/golden/update-golden only after a deliberate change, and read the diff)";
}

INSTANTIATE_TEST_SUITE_P(Samples, GoldenCli, testing::ValuesIn(GoldenCases()), [](const auto& info) {
    std::string name = info.param.Output;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
});

TEST(GoldenCli, EveryCaseHasAGoldenFileAndEveryGoldenFileACase) {
    std::vector<std::string> listed;
    for (const TGoldenCase& c : GoldenCases()) {
        listed.push_back(c.Output);
    }
    ASSERT_FALSE(listed.empty());
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir)) {
        const std::string name = entry.path().filename().string();
        if (name != "cases" && name != "update-golden" && name != "README.md") {
            EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name << " has no case";
        }
    }
    for (const std::string& name : listed) {
        EXPECT_TRUE(std::filesystem::exists(kGoldenDir / name)) << name;
    }
}

}  // namespace
}  // namespace velmora
