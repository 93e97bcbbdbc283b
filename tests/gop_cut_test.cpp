// Cut all GOPs over header lists built by hand: piece bounds and names, the log lines, abort, failures,
// and the list and progress display left as they were.
#include "tools/gop_cut.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "support/byte_fixtures.h"
#include "support/file_size_limit.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::CountingBytes;
using test::ReadFileBytes;
using test::RecordingLog;
using test::Slice;
using test::TempDir;
using test::WriteFileBytes;

void AddPicture(THeaderList& list, int64_t position) {
    TPictureHeaderRecord pic{};
    pic.file_position = position;
    list.Append(kind::PictureHeader, pic);
    list.AppendEmpty(kind::PictureCodingExtension);
}

// A sequence header and one GOP of an I picture and a B picture at each GOP position, the way the
// analyser records them (an I picture's cut position is its sequence header's).
THeaderList GopList(const std::vector<int64_t>& gopPositions) {
    THeaderList list;
    for (int64_t at : gopPositions) {
        list.AppendEmpty(kind::SequenceHeader);
        list.AppendEmpty(kind::SequenceExtension);
        list.AppendEmpty(kind::GopHeader);
        AddPicture(list, at);
        AddPicture(list, at + 50);
    }
    list.AppendEmpty(kind::SequenceEnd);
    list.AppendEmpty(kind::FileEnd);
    return list;
}

class GopCut : public ::testing::Test {
  protected:
    void SetUp() override {
        bytes_ = CountingBytes(1200);
        WriteFileBytes(source_, bytes_);
        hooks_.Log = &log_;
        hooks_.Progress = &progress_;
        hooks_.FUserAbort = &abort_;
        progress_.SetMax(77);
        progress_.SetMin(3);
        progress_.SetPosition(9);
    }
    void ExpectProgressRestored() {
        EXPECT_EQ(progress_.Max(), 77);
        EXPECT_EQ(progress_.Min(), 3);
        EXPECT_EQ(progress_.Position(), 9);
    }

    TempDir dir_;
    std::string source_ = dir_.File("movie.m2v");
    std::vector<uint8_t> bytes_;
    RecordingLog log_;
    TProgressValues progress_;
    bool abort_ = true;  // a stale abort from earlier work must not stop the cut
    TToolHooks hooks_;
};

TEST_F(GopCut, WritesOneFilePerGopUpToTheEndOfTheFile) {
    THeaderList list = GopList({0, 500, 900});
    const int64_t entries = list.size();
    int yields = 0;
    hooks_.Yield = [&] { ++yields; };

    const TGopCutResult result = CutAllGops(source_, 1200, list, hooks_);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(result.Pieces, 3);
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00001.m2v")), Slice(bytes_, 0, 500));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00002.m2v")), Slice(bytes_, 500, 900));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00003.m2v")), Slice(bytes_, 900, 1200));
    EXPECT_FALSE(fs::exists(dir_.File("movie_GOP00004.m2v")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 4);

    ASSERT_EQ(log_.lines.size(), 2u);
    EXPECT_EQ(log_.lines[0].text, "Starting GOP cutting...");
    EXPECT_EQ(log_.lines[1].text, "GOP cutting is finished: 3 files with GOPs was created.");
    for (const auto& line : log_.lines) {
        EXPECT_EQ(line.kind, logkind::Information);
        EXPECT_EQ(line.colour, colour::DarkBlue);
    }
    EXPECT_EQ(yields, 4);  // three GOPs and the end marker
    EXPECT_EQ(list.size(), entries);
    EXPECT_EQ(list.Kind(entries - 1), kind::FileEnd);
    ExpectProgressRestored();
}

TEST_F(GopCut, MorePiecesThanTheLimitAreRefusedBeforeAnyIsWritten) {
    THeaderList list = GopList({0, 500, 900});
    const int64_t entries = list.size();
    const TGopCutResult refused = CutAllGops(source_, 1200, list, hooks_, 2);
    EXPECT_FALSE(refused.Ok());
    EXPECT_TRUE(refused.TooManyPieces);
    EXPECT_EQ(refused.Pieces, 0);
    EXPECT_EQ(log_.Texts(), std::vector<std::string>{
                                "GOP cutting refused: it would create 3 files with GOPs, more than 2!"});
    EXPECT_EQ(log_.lines[0].colour, colour::Red);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(list.size(), entries);
    ExpectProgressRestored();

    EXPECT_TRUE(CutAllGops(source_, 1200, list, hooks_, 3).Ok());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 4);
}

TEST_F(GopCut, FirstPieceTakesWhatPrecedesTheFirstGop) {
    THeaderList list = GopList({100, 700});
    ASSERT_TRUE(CutAllGops(source_, 1200, list, hooks_).Ok());
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00001.m2v")), Slice(bytes_, 0, 700));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00002.m2v")), Slice(bytes_, 700, 1200));
}

TEST_F(GopCut, SingleGopListWritesTheWholeFile) {
    THeaderList list = GopList({0});
    ASSERT_TRUE(CutAllGops(source_, 1200, list, hooks_).Ok());
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00001.m2v")), bytes_);
    EXPECT_EQ(log_.Texts().back(), "GOP cutting is finished: 1 files with GOPs was created.");
}

// With extended records the list holds user data, foreign start codes and picture data between the
// headers. A GOP header followed by its user data or a foreign packet still starts a GOP; a foreign
// code 0xCB (the kind of a picture, but listed without record bytes) is not a picture.
TEST_F(GopCut, EntriesBetweenGopHeaderAndPictureDoNotHideTheGop) {
    THeaderList list;
    list.AppendEmpty(kind::SequenceHeader);
    list.AppendEmpty(kind::GopHeader);
    AddPicture(list, 0);
    list.AppendEmpty(kind::PictureData);
    list.AppendEmpty(kind::SequenceHeader);
    list.AppendEmpty(kind::GopHeader);
    list.AppendEmpty(kind::UserData);
    AddPicture(list, 400);
    list.AppendEmpty(kind::PictureData);
    list.AppendEmpty(kind::SequenceHeader);
    list.AppendEmpty(kind::GopHeader);
    list.AppendEmpty(0xBA);
    list.AppendEmpty(0xCB);  // an audio start code, not a picture
    AddPicture(list, 800);
    list.AppendEmpty(kind::PictureData);
    AddPicture(list, 1000);  // a second picture of the same GOP

    ASSERT_TRUE(CutAllGops(source_, 1200, list, hooks_).Ok());
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00001.m2v")), Slice(bytes_, 0, 400));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00002.m2v")), Slice(bytes_, 400, 800));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00003.m2v")), Slice(bytes_, 800, 1200));
    EXPECT_FALSE(fs::exists(dir_.File("movie_GOP00004.m2v")));
}

TEST_F(GopCut, EmptyHeaderListOnlyAsksForATreeMode) {
    THeaderList list;
    const TGopCutResult result = CutAllGops(source_, 1200, list, hooks_);
    EXPECT_TRUE(result.NoHeaderList);
    EXPECT_FALSE(result.Ok());
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text, "You must be in \"Show tree\" processing mode for using this tool.");
    EXPECT_EQ(log_.lines[0].colour, colour::DarkBlue);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(GopCut, AbortFromTheYieldStopsAfterTheCurrentEntry) {
    THeaderList list = GopList({0, 300, 600, 900});
    const int64_t entries = list.size();
    int yields = 0;
    hooks_.Yield = [&] {
        if (++yields == 3) {
            abort_ = true;
        }
    };
    const TGopCutResult result = CutAllGops(source_, 1200, list, hooks_);
    EXPECT_TRUE(result.Aborted);
    EXPECT_FALSE(result.Ok());
    // The third GOP start wrote piece 2 before the yield that aborted.
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00002.m2v")), Slice(bytes_, 300, 600));
    EXPECT_FALSE(fs::exists(dir_.File("movie_GOP00003.m2v")));
    ASSERT_EQ(log_.lines.size(), 2u);
    EXPECT_EQ(log_.lines[1].text, "Current operation aborted by user!");
    EXPECT_EQ(log_.lines[1].kind, logkind::Error);
    EXPECT_EQ(log_.lines[1].colour, colour::Red);
    EXPECT_EQ(list.size(), entries);
    ExpectProgressRestored();
}

TEST_F(GopCut, FailedPiecesAreCountedAndNeverReportedAsSuccess) {
    // Pieces 1 and 2 fit under the limit, piece 3 (600 bytes) does not.
    THeaderList list = GopList({0, 300, 600});
    TGopCutResult result;
    {
        test::FileSizeLimit limit(400);
        result = CutAllGops(source_, 1200, list, hooks_);
    }
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Pieces, 3);
    EXPECT_EQ(result.FailedPieces, 1);
    EXPECT_FALSE(fs::exists(dir_.File("movie_GOP00003.m2v")));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00002.m2v")), Slice(bytes_, 300, 600));
    const auto texts = log_.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].rfind("GOP file 3 is not written: ", 0), 0u) << texts[1];
    EXPECT_EQ(texts[2], "GOP cutting failed: 1 of 3 files with GOPs could not be written.");
    EXPECT_EQ(log_.lines[2].colour, colour::Red);
}

// A source that is gone or shorter than analysed fails the whole cut with one line, not one per piece,
// and older pieces stay as they were.
TEST_F(GopCut, UnusableSourceFailsOnceAndKeepsOlderPieces) {
    WriteFileBytes(dir_.File("movie_GOP00001.m2v"), {1, 2, 3});
    struct Case {
        std::string source;
        int64_t analysedSize;
        std::string reason;
    };
    for (const Case& c : {Case{dir_.File("gone.m2v"), 1200, "No such file or directory"},
                          Case{source_, 1201, "is shorter than when it was analysed (1200 of 1201 bytes)"}}) {
        log_.lines.clear();
        THeaderList list = GopList({0, 500, 900});
        const TGopCutResult result = CutAllGops(c.source, c.analysedSize, list, hooks_);
        EXPECT_FALSE(result.Ok());
        EXPECT_TRUE(result.SourceFailed);
        EXPECT_EQ(result.Pieces, 0);
        const auto texts = log_.Texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1].rfind("GOP cutting failed: ", 0), 0u) << texts[1];
        EXPECT_NE(texts[1].find(c.reason), std::string::npos) << texts[1];
        EXPECT_EQ(log_.lines[1].colour, colour::Red);
        ExpectProgressRestored();
    }
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00001.m2v")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs::exists(dir_.File("movie_GOP00002.m2v")));
}

TEST_F(GopCut, PiecesEndingBeforeTheyStartFail) {
    // A damaged list whose third GOP lies before the second: piece 2 is refused, not read to the end.
    THeaderList list = GopList({0, 700, 200});
    const TGopCutResult result = CutAllGops(source_, 1200, list, hooks_);
    EXPECT_EQ(result.FailedPieces, 1);
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00001.m2v")), Slice(bytes_, 0, 700));
    EXPECT_FALSE(fs::exists(dir_.File("movie_GOP00002.m2v")));
    EXPECT_EQ(ReadFileBytes(dir_.File("movie_GOP00003.m2v")), Slice(bytes_, 200, 1200));
}

struct NameCase {
    const char* file;
    int64_t number;
    const char* piece;
};

class GopPieceNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(GopPieceNames, DropOnlyTheExtensionAndStayInTheSourceFolder) {
    EXPECT_EQ(GopPieceName(GetParam().file, GetParam().number), GetParam().piece);
}

INSTANTIATE_TEST_SUITE_P(All, GopPieceNames,
                         ::testing::Values(NameCase{"/clips/movie.m2v", 1, "/clips/movie_GOP00001.m2v"},
                                           NameCase{"/clips/movie.m2v", 12345, "/clips/movie_GOP12345.m2v"},
                                           NameCase{"/clips/movie.m2v", 123456, "/clips/movie_GOP123456.m2v"},
                                           NameCase{"/clips/video", 1, "/clips/video_GOP00001"},
                                           NameCase{"/clips.old/video", 2, "/clips.old/video_GOP00002"},
                                           NameCase{"/clips/show.mpeg2", 3, "/clips/show_GOP00003.mpeg2"},
                                           NameCase{"/clips/a.b.m2v", 4, "/clips/a.b_GOP00004.m2v"},
                                           NameCase{"/clips/x.v", 5, "/clips/x_GOP00005.v"},
                                           NameCase{"movie.m2v", 6, "movie_GOP00006.m2v"},
                                           NameCase{"/clips/movie.m2v", 5000000000,
                                                    "/clips/movie_GOP5000000000.m2v"}));

}  // namespace
}  // namespace velmora
