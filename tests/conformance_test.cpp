// velmora-cli on every stream of the shared corpus in every processing mode, against the golden
// transcripts of tests/conformance, which only tests/conformance/update-conformance rewrites.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "cache/cache_format.h"
#include "support/cli_run.h"
#include "support/corpus.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

const std::filesystem::path kGoldenDir = std::filesystem::path(VELMORA_SOURCE_DIR) / "tests" / "conformance";
// Tree pages of this many entries keep the transcripts small; the paging itself is the same for
// every page size.
constexpr int64_t kPageSize = 30;
const char* const kModes[] = {"quick", "first-gop", "tree", "extended-tree", "rewrite-cache"};

std::string GoldenName(const std::string& streamName) {
    return streamName + ".txt";
}

// Every stream with a transcript and every stream of the corpus, by file name.
std::vector<std::string> ConformanceStreams() {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".txt") {
            names.insert(name.substr(0, name.size() - 4));
        }
    }
    for (const std::filesystem::path& stream : test::CorpusStreams()) {
        names.insert(stream.filename().string());
    }
    return {names.begin(), names.end()};
}

std::filesystem::path FindCorpusStream(const std::string& name) {
    for (const std::filesystem::path& stream : test::CorpusStreams()) {
        if (stream.filename() == name) {
            return stream;
        }
    }
    return {};
}

const char* CacheRecordName(uint16_t tag) {
    switch (tag) {
        case cache::tag::SequenceHeader:
            return "sequence header";
        case cache::tag::RepeatSequenceHeader:
            return "repeated sequence header";
        case cache::tag::SequenceExtension:
            return "sequence extension";
        case cache::tag::RepeatSequenceExtension:
            return "repeated sequence extension";
        case cache::tag::SequenceDisplayExtension:
            return "sequence display extension";
        case cache::tag::GopHeader:
            return "GOP header";
        case cache::tag::PictureHeader:
            return "picture header";
        case cache::tag::PictureCodingExtension:
            return "picture coding extension";
        case cache::tag::SequenceEnd:
            return "sequence end";
        case cache::tag::FileEnd:
            return "end of scan";
        default:
            return "unknown";
    }
}

// The cache file as a few reviewable lines: its size, a 64-bit FNV-1a hash of its bytes with the
// time stamp (the copy's last-write time, different on every run) zeroed, and its records by tag.
std::string CacheDescription(const std::string& path) {
    if (!std::filesystem::exists(path)) {
        return "no cache file\n";
    }
    std::vector<uint8_t> bytes = test::ReadFileBytes(path);
    if (bytes.size() >= cache::offset::Stamp + 8) {
        std::fill_n(bytes.begin() + cache::offset::Stamp, 8, 0);
    }
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    std::map<uint16_t, int> counts;
    std::string trouble;
    for (size_t at = cache::kHeaderSize; at + 2 <= bytes.size();) {
        const uint16_t tag = static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
        const int payload = cache::PayloadSize(tag);
        if (payload < 0 || at + 2 + static_cast<size_t>(payload) > bytes.size()) {
            trouble = "unreadable record " + std::to_string(tag) + " at offset " + std::to_string(at) + "\n";
            break;
        }
        ++counts[tag];
        at += 2 + static_cast<size_t>(payload);
    }
    char hashText[32];
    std::snprintf(hashText, sizeof hashText, "%016llx", static_cast<unsigned long long>(hash));
    std::string text =
        std::to_string(bytes.size()) + " bytes, FNV-1a " + hashText + " with the time stamp zeroed\n";
    for (const auto& [tag, count] : counts) {
        text +=
            "tag " + std::to_string(tag) + " (" + CacheRecordName(tag) + "): " + std::to_string(count) + "\n";
    }
    return text + trouble;
}

// A report's CR LF lines as LF lines, so the transcript stays one plain text file; a line without
// its CR fails the test.
std::string ReportLines(const std::string& report) {
    std::string text;
    for (size_t i = 0; i < report.size(); ++i) {
        if (report[i] == '\n') {
            EXPECT_TRUE(i > 0 && report[i - 1] == '\r') << "report line without CR LF at byte " << i;
        }
        if (report[i] != '\r' || i + 1 >= report.size() || report[i + 1] != '\n') {
            text += report[i];
        }
    }
    return text;
}

// Sections "=== MODE: what" with their text. A section whose text equals the same section of an
// earlier mode says so instead of repeating it.
class TTranscript {
  public:
    void Add(const std::string& mode, const std::string& what, const std::string& text) {
        text_ += "=== " + mode + ": " + what + "\n";
        std::vector<std::pair<std::string, std::string>>& earlier = sections_[what];
        for (const auto& [earlierMode, earlierText] : earlier) {
            if (earlierText == text) {
                text_ += "(as in mode " + earlierMode + ")\n";
                return;
            }
        }
        earlier.emplace_back(mode, text);
        text_ += text;
    }
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>>
        sections_;  // what -> (mode, text)
};

class Conformance : public testing::TestWithParam<std::string> {
  protected:
    // Runs one command in Dir and returns its standard output; the command must succeed.
    std::string Run(const test::TempDir& dir, const std::string& args) {
        const test::TCliResult result = test::RunCli(VELMORA_CLI_PATH, dir.path().string(), args);
        EXPECT_EQ(result.ExitCode, 0) << "velmora-cli " << args << "\n" << result.Err;
        return result.Out;
    }

    // One mode on a fresh copy of the stream, so that no cache passes from one mode to another.
    void RunMode(const std::filesystem::path& source, const std::string& mode, TTranscript& transcript) {
        const test::TempDir dir;
        const std::string name = source.filename().string();
        std::filesystem::copy_file(source, dir.path() / name);
        const std::string cache = dir.File(name + ".vnf");
        const std::string file = test::ShellQuote(name) + " --mode " + mode;
        const std::string info = Run(dir, "info --json " + file);
        transcript.Add(mode, "info --json", info);
        if (mode == "tree") {
            // The scan's cache; the runs below load it and rewrite its header.
            transcript.Add(mode, "cache file", CacheDescription(cache));
        }
        if (mode != "quick") {
            const nlohmann::json summary = nlohmann::json::parse(info, nullptr, false);
            const int64_t headerCount = summary.is_object() ? summary.value("header_count", int64_t{0}) : 0;
            const std::string page = " --count " + std::to_string(kPageSize);
            transcript.Add(mode, "headers, first page", Run(dir, "headers " + file + page));
            const int64_t lastFirst = headerCount - kPageSize + 1;
            transcript.Add(mode, "headers, last page",
                           lastFirst <= 1 ? "(the first page is the last)\n"
                                          : Run(dir, "headers " + file + " --first " +
                                                         std::to_string(lastFirst) + page));
            transcript.Add(mode, "report display-order",
                           ReportLines(Run(dir, "report display-order " + file)));
            transcript.Add(mode, "report frame-structure",
                           ReportLines(Run(dir, "report frame-structure " + file)));
        }
        if (mode == "tree") {
            transcript.Add(mode, "info --json, answered from the cache", Run(dir, "info --json " + file));
        }
        transcript.Add(mode, "cache file", CacheDescription(cache));
    }
};

TEST_P(Conformance, EveryModeMatchesTheGoldenTranscript) {
    const std::string& name = GetParam();
    const std::filesystem::path source = FindCorpusStream(name);
    if (source.empty()) {
        GTEST_SKIP() << "no stream " << name << " under " << test::CorpusDir().string()
                     << " (set VELMORA_CORPUS_DIR to the shared corpus to run the conformance tests)";
    }
    TTranscript transcript;
    for (const char* mode : kModes) {
        RunMode(source, mode, transcript);
    }
    const std::filesystem::path golden = kGoldenDir / GoldenName(name);
    const std::string text =
        "# velmora-cli on " + std::filesystem::relative(source, test::CorpusDir()).generic_string() +
        " of the shared corpus, one mode at a time on a fresh copy\n" + transcript.Text();
    if (test::UpdatingGoldenFiles()) {
        test::WriteFileBytes(golden.string(), std::vector<uint8_t>(text.begin(), text.end()));
        return;
    }
    EXPECT_TRUE(test::MatchesGolden(text, golden))
        << "(rebuild with tests/conformance/update-conformance only after a deliberate change, and read "
           "the diff)";
}

INSTANTIATE_TEST_SUITE_P(Corpus, Conformance, testing::ValuesIn(ConformanceStreams()), [](const auto& info) {
    std::string name = info.param;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
});

TEST(ConformanceFiles, EveryCorpusStreamHasATranscriptAndEveryTranscriptAStream) {
    const std::vector<std::filesystem::path> streams = test::CorpusStreams();
    if (streams.empty()) {
        GTEST_SKIP() << "no corpus at " << test::CorpusDir().string() << " (set VELMORA_CORPUS_DIR)";
    }
    std::set<std::string> names;
    for (const std::filesystem::path& stream : streams) {
        names.insert(stream.filename().string());
        EXPECT_TRUE(std::filesystem::exists(kGoldenDir / GoldenName(stream.filename().string())))
            << stream.filename().string() << " has no transcript";
    }
    EXPECT_EQ(names.size(), streams.size()) << "two corpus streams share a file name";
    for (const std::string& name : ConformanceStreams()) {
        EXPECT_TRUE(names.count(name) == 1) << GoldenName(name) << " has no corpus stream";
    }
}

}  // namespace
}  // namespace velmora
