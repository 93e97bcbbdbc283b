// The shared corpus of real third-party streams (when present): every stream is analysed in each
// mode without a failure, its picture size agrees with ffprobe, and a cached tree agrees with a scan.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/corpus.h"

namespace velmora::test {
namespace {

TEST(AnalysisCorpus, EveryStreamInEveryMode) {
    const std::vector<std::filesystem::path> streams = CorpusStreams();
    if (streams.empty()) {
        GTEST_SKIP() << "no corpus at " << CorpusDir().string() << " (set VELMORA_CORPUS_DIR)";
    }
    for (const std::filesystem::path& source : streams) {
        SCOPED_TRACE(source.string());
        TempDir dir;
        const std::string path = dir.File(source.filename().string());
        std::filesystem::copy_file(source, path);
        TAnalysed quick = AnalyseFile(path, kQuickMode);
        std::ifstream probeFile(source.string() + ".ffprobe.json");
        if (probeFile) {
            const nlohmann::json probe = nlohmann::json::parse(probeFile)["streams"][0];
            EXPECT_EQ(quick.Stream->FWidth, probe["width"].get<int>());
            EXPECT_EQ(quick.Stream->FHeight, probe["height"].get<int>());
        }
        TAnalysed extended = AnalyseFile(path, kShowExtendedTreeMode);
        TAnalysed scanned = AnalyseFile(path, kShowTreeMode);
        TAnalysed loaded = AnalyseFile(path, kShowTreeMode);
        EXPECT_EQ(loaded.Stream->FGopCount, 0) << "the second tree run loads the cache";
        EXPECT_EQ(loaded.Kinds(), scanned.Kinds());
        EXPECT_DOUBLE_EQ(loaded.Stream->FPictureCount, scanned.Stream->FPictureCount);
        EXPECT_EQ(loaded.Stream->FFieldCount, quick.Stream->FFieldCount);
        EXPECT_EQ(extended.Stream->FFieldCount, quick.Stream->FFieldCount);
        EXPECT_GE(extended.Stream->FHeaders.size(), scanned.Stream->FHeaders.size());
    }
}

}  // namespace
}  // namespace velmora::test
