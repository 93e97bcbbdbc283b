// Cut positions of pictures, and the GOP pieces they bound, on streams with a sequence header per GOP,
// one sequence header, one every few GOPs, and none between I pictures, in both tree modes.
#include "tools/cut_positions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/records.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/stream_builder.h"
#include "support/temp_dir.h"
#include "tools/gop_cut.h"
#include "tools/picture_entries.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

struct TGopLayout {
    bool Sequence;   // a sequence header and its extensions before the GOP
    bool GopHeader;  // a GOP header (with user data after it)
    const char* Pictures;
};

struct TLaidOut {
    TStreamBuilder Builder;
    std::vector<int64_t> CutPositions;  // per picture in stream order
    std::vector<int64_t> GopStarts;     // where each GOP's piece begins, but the first
};

TLaidOut Lay(const std::vector<TGopLayout>& gops) {
    TLaidOut s;
    TStreamBuilder& b = s.Builder;
    for (const TGopLayout& gop : gops) {
        int64_t run = -1;
        if (gop.Sequence) {
            run = b.Offset();
            b.SequenceHeader().SequenceExtension().SequenceDisplayExtension();
        }
        if (gop.GopHeader) {
            run = run < 0 ? b.Offset() : run;
            b.Gop().UserData("gop");
        }
        for (const char* p = gop.Pictures; *p != '\0'; ++p) {
            const uint32_t type = *p == 'I' ? 1 : *p == 'P' ? 2 : 3;
            const bool first = p == gop.Pictures;
            s.CutPositions.push_back(type == 1 && first && run >= 0 ? run : b.Offset());
            if (first && gop.GopHeader && &gop != &gops.front()) {
                s.GopStarts.push_back(s.CutPositions.back());
            }
            TPictureHeaderFields header;
            header.temporal_reference = static_cast<uint32_t>(p - gop.Pictures);
            header.picture_coding_type = type;
            b.CodedPicture(header);
        }
    }
    b.SequenceEnd();
    return s;
}

struct TLayoutCase {
    const char* Name;
    std::vector<TGopLayout> Gops;
    bool SequencePerGop;  // the records' positions are the cut positions already
};

const std::vector<TLayoutCase> kLayouts = {
    {"SequencePerGop", {{true, true, "IBBP"}, {true, true, "IBBPBB"}, {true, true, "IP"}}, true},
    {"OneSequence",
     {{true, true, "IBBP"}, {false, true, "IBBPBB"}, {false, true, "IBB"}, {false, true, "IP"}},
     false},
    {"SequenceEveryOtherGop",
     {{true, true, "IBBP"}, {false, true, "IBP"}, {true, true, "IBBP"}, {false, true, "IP"}},
     false},
    {"IntraOnlyOneSequence", {{true, true, "II"}, {false, true, "III"}, {false, true, "I"}}, false},
    {"SequenceWithoutGopHeader", {{true, true, "IBBP"}, {true, false, "IBP"}, {false, true, "IP"}}, false},
};

TEST(CutPositions, AreTheStartOfTheHeaderRunBeforeEachIPictureInEveryLayoutAndTreeMode) {
    for (const TLayoutCase& c : kLayouts) {
        const TLaidOut laid = Lay(c.Gops);
        for (const int32_t mode : {kShowTreeMode, kShowExtendedTreeMode}) {
            SCOPED_TRACE(std::string(c.Name) + " mode " + std::to_string(mode));
            TempDir dir;
            const std::string file = dir.File("movie.m2v");
            TAnalysed a = Analyse(laid.Builder, file, mode);
            const THeaderList& headers = a.Stream->FHeaders;
            TCutPositions positions(file, headers);
            std::vector<int64_t> found, recorded;
            for (int64_t n = 1; const std::optional<int64_t> index = PictureEntryIndex(headers, n); ++n) {
                found.push_back(positions.At(*index).value_or(-1));
                const int64_t position = headers[*index].As<TPictureHeaderRecord>().file_position;
                recorded.push_back(position);  // copied out of the packed record first
            }
            EXPECT_EQ(found, laid.CutPositions);
            if (c.SequencePerGop) {
                EXPECT_EQ(found, recorded);
            }
            // Asked out of order, from a fresh reader: the same answers.
            TCutPositions backwards(file, headers);
            for (int64_t n = static_cast<int64_t>(found.size()); n >= 1; --n) {
                EXPECT_EQ(backwards.At(*PictureEntryIndex(headers, n)), found[static_cast<size_t>(n - 1)]);
            }

            TToolHooks hooks;
            ASSERT_TRUE(CutAllGops(*a.Stream, hooks).Ok());
            const std::vector<uint8_t> source = ReadFileBytes(file);
            std::vector<uint8_t> joined;
            std::vector<int64_t> starts;
            for (int64_t g = 1; fs::exists(GopPieceName(file, g)); ++g) {
                if (g > 1) {
                    starts.push_back(static_cast<int64_t>(joined.size()));
                }
                const std::vector<uint8_t> piece = ReadFileBytes(GopPieceName(file, g));
                EXPECT_FALSE(piece.empty()) << "piece " << g;
                joined.insert(joined.end(), piece.begin(), piece.end());
            }
            EXPECT_EQ(joined, source);
            EXPECT_EQ(starts, laid.GopStarts);
        }
    }
}

// A file changed since its analysis: no position is made up, and no GOP piece is written.
TEST(CutPositions, AreRefusedWhenTheFileNoLongerMatchesTheList) {
    const TLaidOut laid = Lay(kLayouts[1].Gops);
    TempDir dir;
    const std::string file = dir.File("movie.m2v");
    TAnalysed a = Analyse(laid.Builder, file, kShowTreeMode);
    std::vector<uint8_t> bytes = ReadFileBytes(file);
    bytes.resize(static_cast<size_t>(laid.GopStarts[0]));
    WriteFileBytes(file, bytes);

    TCutPositions positions(file, a.Stream->FHeaders);
    EXPECT_EQ(positions.At(*PictureEntryIndex(a.Stream->FHeaders, 1)), 0);
    EXPECT_EQ(positions.At(*PictureEntryIndex(a.Stream->FHeaders, 5)), std::nullopt);

    TToolHooks hooks;
    const TGopCutResult result =
        CutAllGops(file, static_cast<int64_t>(bytes.size()), a.Stream->FHeaders, hooks);
    EXPECT_TRUE(result.SourceFailed);
    EXPECT_FALSE(fs::exists(GopPieceName(file, 1)));
}

}  // namespace
}  // namespace velmora::test
