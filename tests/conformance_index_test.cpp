// The golden transcripts of tests/conformance checked against the header-level facts that the
// corpus INDEX.md lists for each stream (an independent start-code scan): counts of pictures,
// field and frame pictures, repeat_first_field, GOPs, sequence headers and ends, drop-frame flags,
// the first time code and vbv_delay 0xFFFF. Where Velmora's numbers differ from what those facts
// give, a counting rule explains it (table below).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/corpus.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

const std::filesystem::path kGoldenDir = std::filesystem::path(VELMORA_SOURCE_DIR) / "tests" / "conformance";

// The streams whose numbers need a rule beyond the plain header-level ones, which are: pictures =
// frame pictures + half of the field pictures (MPEG-1: picture headers), displayed fields = 2 per
// frame picture + 1 per repeat_first_field + 1 per field picture (MPEG-1: 2 per picture), displayed
// frames = fields / 2 (at 25 frames per second: the picture count), a stream without GOP headers
// starts at 00:00:00.00. Every stream not listed here meets those rules exactly.
struct TStreamRule {
    std::string Stream;
    std::string Rule;
    double PictureCount = -1;  // >= 0: the picture count the rule gives instead of the header-level one
};

const std::vector<TStreamRule> kRules = {
    {"tcela-18-d-pict.m1v",
     "MPEG-1 counts only I, P and B pictures; its 31 D pictures (type 4) count none, yet each adds "
     "two fields, so 31 frames are displayed for 0 pictures and pulldown is reported",
     0},
    {"bt601-525_480_telecined_soft.m2v",
     "soft 3:2 pulldown: 240 coded frames with 120 repeat_first_field show 600 fields, 300 frames at "
     "29.97, so frames exceed pictures and pulldown is reported"},
    {"sony-ct1.m2v", "irregular pulldown mixed with field pictures: 60 pictures, 150 fields, 75 frames"},
    {"sony-ct2.m2v", "irregular pulldown mixed with field pictures: 24 pictures, 60 fields, 30 frames"},
    {"sony-ct3.m2v",
     "17 fields: the odd field left over at the end counts as a frame (the last picture has "
     "repeat_first_field and no pattern of the last three pictures says otherwise), so 9 frames"},
    {"sony-ct4.m2v", "irregular pulldown mixed with field pictures: 60 pictures, 150 fields, 75 frames"},
    {"hhi_burst_short.m2v",
     "no GOP header: start time 00:00:00.00, and the whole stream is one group for the largest GOP"},
    {"hhi_burst_422.m2v",
     "no GOP header: start time 00:00:00.00, and the whole stream is one group for the largest GOP"},
    {"MEI2.stream17.m2v", "two sequences of different sizes: the size shown is the first sequence's"},
    {"repeat_sequence_bitrate.m2v",
     "a repeated sequence header changes the bit rate: the first one is shown"},
    {"repeat_sequence_aspect.m2v",
     "a repeated sequence header changes the aspect ratio: the last valid one is shown"},
};

const TStreamRule* RuleFor(const std::string& stream) {
    for (const TStreamRule& rule : kRules) {
        if (rule.Stream == stream) {
            return &rule;
        }
    }
    return nullptr;
}

// One row of INDEX.md's header scan table.
struct TIndexRow {
    std::string File;
    bool Mpeg2 = false;
    int Width = 0, Height = 0;
    double FrameRate = 0;
    int SequenceHeaders = 0, Gops = 0, SequenceEnds = 0;
    int Pictures = 0, FramePictures = 0, TopFields = 0, BottomFields = 0;
    int RepeatFirstField = 0;
    int DropFrameGops = 0;
    std::vector<int> FirstTimeCode;  // empty: no GOP header
    int VbvFfff = 0;
};

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, '|');) {
        const size_t first = cell.find_first_not_of(" `");
        const size_t last = cell.find_last_not_of(" `");
        cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return cells;  // cells[0] is the text before the first bar
}

std::vector<TIndexRow> ReadIndex(const std::filesystem::path& index) {
    std::ifstream in(index);
    std::vector<TIndexRow> rows;
    bool inScan = false;
    const std::regex pictures(R"((\d+)(?: \(F(\d+)/T(\d+)/B(\d+)\))?)");
    const std::regex timeCode(R"((\d+):(\d+):(\d+)[:;](\d+))");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) {
            inScan = line.rfind("## Header scan", 0) == 0;
            continue;
        }
        if (!inScan || line.rfind("| `", 0) != 0) {
            continue;
        }
        const std::vector<std::string> c = Cells(line);
        if (c.size() < 14) {
            continue;
        }
        TIndexRow row;
        row.File = c[1];
        row.Mpeg2 = c[2] == "MPEG-2";
        std::sscanf(c[4].c_str(), "%dx%d", &row.Width, &row.Height);
        row.FrameRate = std::stod(c[5]);
        std::sscanf(c[7].c_str(), "%d/%d", &row.SequenceHeaders, &row.Gops);
        row.SequenceEnds = std::stoi(c[8]);
        std::smatch m;
        if (std::regex_match(c[9], m, pictures)) {
            row.Pictures = std::stoi(m[1]);
            if (m[2].matched) {
                row.FramePictures = std::stoi(m[2]);
                row.TopFields = std::stoi(m[3]);
                row.BottomFields = std::stoi(m[4]);
            }
        }
        std::sscanf(c[10].c_str(), "%d", &row.RepeatFirstField);
        std::sscanf(c[11].c_str(), "%d", &row.DropFrameGops);
        if (std::regex_match(c[12], m, timeCode)) {
            row.FirstTimeCode = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
        }
        row.VbvFfff = std::stoi(c[13]);
        rows.push_back(row);
    }
    return rows;
}

// The sections of a transcript by their title ("quick: info --json", ...).
std::map<std::string, std::string> Sections(const std::filesystem::path& transcript) {
    const std::vector<uint8_t> bytes = test::ReadFileBytes(transcript.string());
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::map<std::string, std::string> sections;
    std::string* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("=== ", 0) == 0) {
            current = &sections[line.substr(4)];
        } else if (current != nullptr) {
            *current += line + "\n";
        }
    }
    return sections;
}

nlohmann::json Summary(const std::map<std::string, std::string>& sections, const std::string& title) {
    const auto found = sections.find(title);
    return found == sections.end() ? nlohmann::json() : nlohmann::json::parse(found->second, nullptr, false);
}

TEST(ConformanceIndex, TranscriptCountsAgreeWithTheHeaderScanOfEveryStream) {
    const std::filesystem::path index = test::CorpusDir() / "INDEX.md";
    if (!std::filesystem::exists(index)) {
        GTEST_SKIP() << "no corpus INDEX.md at " << index.string() << " (set VELMORA_CORPUS_DIR)";
    }
    const std::vector<TIndexRow> rows = ReadIndex(index);
    ASSERT_EQ(rows.size(), test::CorpusStreams().size()) << "one header scan row per corpus stream";
    for (const TIndexRow& row : rows) {
        SCOPED_TRACE(row.File);
        const std::map<std::string, std::string> sections = Sections(kGoldenDir / (row.File + ".txt"));
        const nlohmann::json quick = Summary(sections, "quick: info --json");
        ASSERT_TRUE(quick.is_object()) << "no quick summary in the transcript";
        const TStreamRule* rule = RuleFor(row.File);

        const int fieldPictures = row.TopFields + row.BottomFields;
        const double pictures = row.Mpeg2 ? row.FramePictures + fieldPictures / 2.0 : row.Pictures;
        const int64_t fields =
            row.Mpeg2 ? 2 * row.FramePictures + row.RepeatFirstField + fieldPictures : 2 * row.Pictures;
        const double expectedPictures =
            rule != nullptr && rule->PictureCount >= 0 ? rule->PictureCount : pictures;
        EXPECT_EQ(quick["picture_count"].get<double>(), std::floor(expectedPictures + 0.5));
        EXPECT_EQ(quick["field_count"].get<int64_t>(), fields);
        const bool pal = std::lround(quick["frame_rate"].get<double>()) == 25;
        const int64_t displayed = quick["displayed_frames"].get<int64_t>();
        if (pal) {
            EXPECT_EQ(displayed, std::lround(expectedPictures));
        } else {
            EXPECT_TRUE(displayed == fields / 2 || displayed == (fields + 1) / 2) << displayed;
        }
        EXPECT_EQ(quick["pulldown"].get<bool>(), !pal && displayed > expectedPictures);
        EXPECT_EQ(quick["mpeg_version"].get<int>(), row.Mpeg2 ? 2 : 1);
        EXPECT_EQ(quick["width"].get<int>(), row.Width);
        EXPECT_EQ(quick["height"].get<int>(), row.Height);
        EXPECT_NEAR(quick["frame_rate"].get<double>(), row.FrameRate, 0.01);
        EXPECT_EQ(quick["sequence_header_count"].get<int>(), row.SequenceHeaders);
        EXPECT_EQ(quick["gop_count"].get<int>(), row.Gops);
        EXPECT_EQ(quick["sequence_end_count"].get<int>(), row.SequenceEnds);
        EXPECT_EQ(quick["drop_frame"].get<bool>(), row.DropFrameGops > 0);
        EXPECT_EQ(quick["variable_bit_rate"].get<bool>(), row.VbvFfff > 0);
        const std::vector<int> start = quick["start_time_code"].get<std::vector<int>>();
        const std::vector<int> noGop = {0, 0, 0, 0};
        EXPECT_EQ(start, row.FirstTimeCode.empty() ? noGop : row.FirstTimeCode);
        EXPECT_TRUE(quick["foreign_data"].empty());

        // Every full scan counts alike; a run answered from the cache has the counts of its header
        // but no GOP or sequence header count, which the cache does not keep.
        for (const char* title :
             {"tree: info --json", "extended-tree: info --json", "rewrite-cache: info --json",
              "tree: info --json, answered from the cache"}) {
            SCOPED_TRACE(title);
            const nlohmann::json other = Summary(sections, title);
            ASSERT_TRUE(other.is_object());
            for (const char* key : {"picture_count", "field_count", "displayed_frames", "frame_count",
                                    "pulldown", "max_gop_pictures", "sequence_end_count", "drop_frame",
                                    "start_time_code", "variable_bit_rate", "labels"}) {
                EXPECT_EQ(other[key], quick[key]) << key;
            }
            const bool fromCache = std::string(title).find("answered from the cache") != std::string::npos;
            EXPECT_EQ(other["gop_count"], fromCache ? nlohmann::json(0) : quick["gop_count"]);
        }
    }
}

}  // namespace
}  // namespace velmora
