#include "present/tree_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "settings/processing_mode.h"
#include "support/analyser_run.h"
#include "support/recording_tree_sink.h"

namespace velmora {
namespace {

using test::TRecordedNode;
using test::TRecordingTreeSink;

using TLines = std::vector<std::pair<std::string, int>>;  // caption and image of each child line

template <class T>
std::vector<uint8_t> Bytes(const T& record) {
    std::vector<uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &record, sizeof(T));
    return bytes;
}

TSequenceHeaderRecord SequenceHeader() {
    TSequenceHeaderRecord r{};
    r.StartCode = 179;
    r.horizontal_size_value = 720;
    r.vertical_size_value = 576;
    r.aspect_ratio_information = 3;
    r.frame_rate_code = 3;
    r.bit_rate_value = 4000000000u;  // beyond 32-bit signed: printed unsigned
    r.marker_bit = 1;
    r.vbv_buffer_size_value = 112;
    r.constrained_parameters_flag = 0;
    r.load_intra_quantiser_matrix = 1;
    r.load_non_intra_quantiser_matrix = 0;
    r.Ordinal = 5000000000;  // 64-bit ordinal
    return r;
}

TSequenceExtensionRecord SequenceExtension() {
    TSequenceExtensionRecord r{};
    r.StartCode = 0xB5;
    r.extension_start_code_identifier = 1;
    r.profile_and_level_indication = 72;
    r.progressive_sequence = 0;
    r.chroma_format = 1;
    r.horizontal_size_extension = 1;
    r.vertical_size_extension = 2;
    r.bit_rate_extension = 3;
    r.marker_bit = 1;
    r.vbv_buffer_size_extension = 4;
    r.low_delay = 1;
    r.frame_rate_extension_n = 2;
    r.frame_rate_extension_d = 5;
    return r;
}

TSequenceDisplayExtensionRecord DisplayExtension(uint32_t colour_description) {
    TSequenceDisplayExtensionRecord r{};
    r.extension_start_code_identifier = 2;
    r.video_format = 5;
    r.colour_description = colour_description;
    r.colour_primaries = 1;
    r.transfer_characteristics = 4;
    r.matrix_coefficients = 6;
    r.display_horizontal_size = 540;
    r.marker_bit = 1;
    r.display_vertical_size = 576;
    return r;
}

TGopHeaderRecord GopHeader(int32_t gop_number) {
    TGopHeaderRecord r{};
    r.start_code = 184;
    r.drop_frame_flag = 1;
    r.time_code_hours = 1;
    r.time_code_minutes = 2;
    r.marker_bit = 1;
    r.time_code_seconds = 3;
    r.time_code_pictures = 4;
    r.closed_gop = 1;
    r.broken_link = 0;
    r.gop_number = gop_number;
    return r;
}

TPictureHeaderRecord PictureHeader(int32_t picture_coding_type) {
    TPictureHeaderRecord r{};
    r.start_code = 0;
    r.temporal_reference = 2;
    r.picture_coding_type = picture_coding_type;
    r.vbv_delay = 65535;
    r.full_pel_forward_vector = 1;
    r.forward_f_code = 7;
    r.full_pel_backward_vector = 1;
    r.backward_f_code = 3;
    r.extra_bit_picture = 0;
    r.extra_information_picture = 9;
    r.display_index = 14;
    r.file_position = 6000000000;  // beyond 32 bits
    return r;
}

TPictureCodingExtensionRecord CodingExtension() {
    TPictureCodingExtensionRecord r{};
    r.start_code = 0xB5;
    r.extension_start_code_identifier = 8;
    r.intra_dc_precision = 2;
    r.picture_structure = 3;
    r.top_field_first = 1;
    r.frame_pred_frame_dct = 0;
    r.concealment_motion_vectors = 1;
    r.q_scale_type = 1;
    r.intra_vlc_format = 1;
    r.alternate_scan = 0;
    r.repeat_first_field = 1;
    r.chroma_420_type = 1;
    r.progressive_frame = 0;
    r.composite_display_flag = 0;  // the composite lines are shown all the same
    r.v_axis = 1;
    r.field_sequence = 5;
    r.sub_carrier = 1;
    r.burst_amplitude = 100;
    r.sub_carrier_phase = 200;
    return r;
}

TLines Images(std::vector<std::string> captions, int image = 0) {
    TLines lines;
    for (std::string& caption : captions) {
        lines.emplace_back(std::move(caption), image);
    }
    return lines;
}

const TLines kPictureLines =
    Images({"Temporal Reference: 2", "VBV Delay: 65535", "Full Pel Forward Vector: 1", "Forward F Code: 7",
            "Full Pel Backward Vector: 1", "Backward F Code: 3", "Extra Bit Picture: 0",
            "Extra Information Picture: 9", "Display Order: 14", "File position: 6000000000"});

const TLines kZeroPictureLines =
    Images({"Temporal Reference: 0", "VBV Delay: 0", "Full Pel Forward Vector: 0", "Forward F Code: 0",
            "Full Pel Backward Vector: 0", "Backward F Code: 0", "Extra Bit Picture: 0",
            "Extra Information Picture: 0", "Display Order: 0", "File position: 0"});

struct TNodeCase {
    const char* Name;
    int32_t Kind;
    std::vector<uint8_t> Data;
    std::string Caption;
    int Image;
    TLines Lines;
};

std::ostream& operator<<(std::ostream& out, const TNodeCase& c) {
    return out << c.Name;
}

std::vector<TNodeCase> NodeCases() {
    return {
        {"SequenceHeader", kind::SequenceHeader, Bytes(SequenceHeader()), "Sequence header ( 5000000000 )", 2,
         Images({"Sequence Header Code: 179", "Horizontal Size: 720", "Vertical Size: 576",
                 "Aspect Ratio Code: 3  ( 16 : 9 )", "Frame Rate Code: 3  ( 25 )",
                 "Bit Rate Value: 4000000000", "Marker Bit: 1",
                 "\"Video Buffering Verifier\" Buffer Size Value: 112", "Constrained Parameters Flag: 0",
                 "Load Intra Quantiser Matrix: Yes", "Load Non Intra Quantiser Matrix: No"})},
        {"SequenceExtension", kind::SequenceExtension, Bytes(SequenceExtension()), "Sequence extension", 3,
         Images({"Extension Start Code Identifier: 1", "Profile and Level Indication: 72",
                 "Progressive Sequence: 0", "Chroma Format: 1 ( 4:2:0 ) ", "Horizontal Size Extension: 1",
                 "Vertical Size Extension: 2", "Bit Rate Extension: 3", "Marker Bit: 1",
                 "Vbv Buffer Size Extension: 4", "Low Delay: 1", "Frame Rate Extension N: 2",
                 "Frame Rate Extension D: 5"})},
        {"DisplayExtensionWithoutColour", kind::SequenceDisplayExtension, Bytes(DisplayExtension(0)),
         "Sequence display extension", 3,
         Images({"Extension Start Code Identifier: 2", "Video Format: 5", "Display horizontal size: 540",
                 "Display vertical size: 576"})},
        {"DisplayExtensionWithColour", kind::SequenceDisplayExtension, Bytes(DisplayExtension(1)),
         "Sequence display extension", 3,
         Images({"Extension Start Code Identifier: 2", "Video Format: 5", "Colour primaries: 1",
                 "Transfer characteristics: 4", "Matrix coefficients: 6", "Display horizontal size: 540",
                 "Display vertical size: 576"})},
        {"SequenceScalable", kind::SequenceScalableExtension, {}, "Sequence scalable extension", 3, {}},
        {"QuantMatrix", kind::QuantMatrixExtension, {}, "Quant matrix extension", 3, {}},
        {"PictureDisplay", kind::PictureDisplayExtension, {}, "Picture display extension", 3, {}},
        {"SpatialScalable", kind::PictureSpatialScalableExtension, {}, "Spatial scalable extension", 3, {}},
        {"TemporalScalable",
         kind::PictureTemporalScalableExtension,
         {},
         "Picture temporal scalable extension",
         3,
         {}},
        {"GopHeader",
         kind::GopHeader,
         Bytes(GopHeader(12)),
         "Group of pictures header ( 12 )",
         4,
         {{"Group Start Code: 184", 0},
          {"Drop Frame Flag: Yes", 0},
          {"Time Code Hours: 1", 1},
          {"Time Code Minutes: 2", 1},
          {"Marker Bit: 1", 0},
          {"Time Code Seconds: 3", 1},
          {"Time Code Pictures: 4", 1},
          {"Closed Gop: 1", 0},
          {"Broken Link: 0", 0}}},
        {"IPicture", kind::PictureHeader, Bytes(PictureHeader(1)), "I - Frame", 5, kPictureLines},
        {"PPicture", kind::PictureHeader, Bytes(PictureHeader(2)), "P - Frame", 6, kPictureLines},
        {"BPicture", kind::PictureHeader, Bytes(PictureHeader(3)), "B - Frame", 7, kPictureLines},
        {"PictureType0", kind::PictureHeader, Bytes(PictureHeader(0)), "Unknown Frame Type", -1,
         kPictureLines},
        {"PictureType4", kind::PictureHeader, Bytes(PictureHeader(4)), "Unknown Frame Type", -1,
         kPictureLines},
        {"SequenceEnd", kind::SequenceEnd, Bytes(int32_t{3}), "Sequence END ( 3 )", 0, {}},
        {"FileEnd", kind::FileEnd, {}, "FILE END", 0, {}},
        {"UserData", kind::UserData, {}, "User Data", 9, {}},
        {"PictureData", kind::PictureData, {}, "Picture data", 5, {}},
        {"StreamIdReserved", 0xBA, {}, "Stream ID: BA - Reserved Sata Stream", 10, {}},
        {"StreamIdPadding", 0xBE, {}, "Stream ID: BE - Padding Stream", 10, {}},
        {"StreamIdAudioBeforeRecordKinds", 0xC1, {}, "Stream ID: C1 - Audio Stream", 10, {}},
        {"StreamIdAudioBetweenRecordKinds", 0xCA, {}, "Stream ID: CA - Audio Stream", 10, {}},
        {"StreamIdAudioAfterPicture", 0xCC, {}, "Stream ID: CC - Audio Stream", 10, {}},
        {"StreamIdVideo", 0xE0, {}, "Stream ID: E0 - Video Stream", 10, {}},
        {"StreamIdProgram", 0xFF, {}, "Stream ID: FF - Program Stream", 10, {}},
        // Non-video start codes that coincide with record kinds hold no bytes: all fields read as 0.
        {"ZeroSequenceExtension",
         kind::SequenceExtension,
         {},
         "Sequence extension",
         3,
         Images({"Extension Start Code Identifier: 0", "Profile and Level Indication: 0",
                 "Progressive Sequence: 0", "Chroma Format: 0 ( Reserved ) ", "Horizontal Size Extension: 0",
                 "Vertical Size Extension: 0", "Bit Rate Extension: 0", "Marker Bit: 0",
                 "Vbv Buffer Size Extension: 0", "Low Delay: 0", "Frame Rate Extension N: 0",
                 "Frame Rate Extension D: 0"})},
        {"ZeroDisplayExtension",
         kind::SequenceDisplayExtension,
         {},
         "Sequence display extension",
         3,
         Images({"Extension Start Code Identifier: 0", "Video Format: 0", "Display horizontal size: 0",
                 "Display vertical size: 0"})},
        {"ZeroPicture", kind::PictureHeader, {}, "Unknown Frame Type", -1, kZeroPictureLines},
    };
}

class TreeNodeKind : public testing::TestWithParam<TNodeCase> {};

TEST_P(TreeNodeKind, ShowsCaptionImageDataAndChildLines) {
    const TNodeCase& c = GetParam();
    THeaderList headers;
    headers.AppendEmpty(kind::FileEnd);  // so the entry under test is not at index 0
    headers.Append(c.Kind, c.Data.data(), c.Data.size());
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 2, 1, tree, nullptr, 0, lastPicture);

    const std::vector<TRecordedNode> top = tree.TopLevel();
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].Caption, c.Caption);
    EXPECT_EQ(top[0].Image, c.Image);
    EXPECT_EQ(top[0].Data, std::optional<int32_t>(1));
    TLines lines;
    for (const TRecordedNode& line : tree.Children(top[0].Id)) {
        lines.emplace_back(line.Caption, line.Image);
        EXPECT_EQ(line.Data, std::nullopt) << line.Caption;
        EXPECT_TRUE(tree.Children(line.Id).empty()) << line.Caption;
    }
    EXPECT_EQ(lines, c.Lines);
    EXPECT_EQ(lastPicture, c.Kind == kind::PictureHeader ? top[0].Id : kTreeRoot);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, TreeNodeKind, testing::ValuesIn(NodeCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TreePage, KindsWithoutNodeAddNothing) {
    THeaderList headers;
    for (int32_t k : {0x01, 0xAF, 0xB0, 0xB1, 0xB4, 0xB5, 0xB6, 0x100, -1}) {
        headers.AppendEmpty(k);
    }
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 1, headers.size(), tree, nullptr, 0, lastPicture);
    EXPECT_TRUE(tree.Nodes.empty());
}

TEST(TreePage, CodingExtensionHangsUnderItsPictureWithItsFields) {
    THeaderList headers;
    headers.Append(kind::PictureHeader, PictureHeader(1));
    headers.Append(kind::PictureCodingExtension, CodingExtension());
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 1, 2, tree, nullptr, 0, lastPicture);

    ASSERT_EQ(tree.TopLevel().size(), 1u);
    const std::vector<TRecordedNode> underPicture = tree.Children(lastPicture);
    ASSERT_EQ(underPicture.size(), kPictureLines.size() + 1);
    const TRecordedNode& extension = underPicture.back();
    EXPECT_EQ(extension.Caption, "Coding extension");
    EXPECT_EQ(extension.Image, 8);
    EXPECT_EQ(extension.Data, std::optional<int32_t>(1));
    EXPECT_EQ(tree.ChildCaptions(extension.Id),
              (std::vector<std::string>{
                  "Intra DC Precision: 2 ( 10 bit )", "Picture Structure: 3 ( Frame picture )",
                  "Top Field First: 1", "Frame Pred Frame DCT: 0", "Concealment Motion Vectors: 1",
                  "Q-Scale Type: 1", "Intra VLC Format: 1", "Alternate Scan: 0", "Repeat First Field: 1",
                  "Chroma 420 Type: 1", "Progressive Frame: 0", "Composite Display Flag: 0", "V-Axis: 1",
                  "Field Sequence: 5", "Sub Carrier: 1", "Burst Amplitude: 100", "Sub Carrier Phase: 200"}));
    for (const TRecordedNode& line : tree.Children(extension.Id)) {
        EXPECT_EQ(line.Image, 0);
        EXPECT_EQ(line.Data, std::nullopt);
    }
}

// A typical start of a stream: sequence header, extension, then GOPs of I B B P pictures, each
// picture followed by its coding extension.
THeaderList TypicalStream(int gops) {
    THeaderList headers;
    headers.Append(kind::SequenceHeader, SequenceHeader());
    headers.Append(kind::SequenceExtension, SequenceExtension());
    for (int g = 1; g <= gops; ++g) {
        headers.Append(kind::GopHeader, GopHeader(g));
        for (int type : {1, 3, 3, 2}) {
            headers.Append(kind::PictureHeader, PictureHeader(type));
            headers.Append(kind::PictureCodingExtension, CodingExtension());
        }
    }
    headers.Append(kind::SequenceEnd, int32_t{1});
    headers.AppendEmpty(kind::FileEnd);
    return headers;
}

TEST(TreePage, FirstPageShowsHeadersThenPicturesWithTheirCodingExtensions) {
    const THeaderList headers = TypicalStream(20);
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 1, 150, tree, nullptr, 20, lastPicture);

    const std::vector<TRecordedNode> top = tree.TopLevel();
    ASSERT_GE(top.size(), 7u);
    EXPECT_EQ(top[0].Caption, "Sequence header ( 5000000000 )");
    EXPECT_EQ(top[1].Caption, "Sequence extension");
    EXPECT_EQ(top[2].Caption, "Group of pictures header ( 1 )");
    const std::vector<std::string> pictures = {"I - Frame", "B - Frame", "B - Frame", "P - Frame"};
    for (size_t p = 0; p < pictures.size(); ++p) {
        EXPECT_EQ(top[3 + p].Caption, pictures[p]);
        const std::vector<TRecordedNode> children = tree.Children(top[3 + p].Id);
        ASSERT_FALSE(children.empty());
        EXPECT_EQ(children.back().Caption, "Coding extension");
        EXPECT_EQ(children.back().Data, top[3 + p].Data.value() + 1);
    }
    // Every top-level node carries its entry's index: the page starts at index 0 and coding
    // extensions are not top-level.
    int64_t topCount = 0;
    for (int64_t i = 0; i < 150; ++i) {
        if (headers.Kind(i) != kind::PictureCodingExtension) {
            ASSERT_EQ(top[static_cast<size_t>(topCount)].Data,
                      std::optional<int32_t>(static_cast<int32_t>(i)));
            ++topCount;
        }
    }
    EXPECT_EQ(static_cast<int64_t>(top.size()), topCount);
}

TEST(TreePage, CodingExtensionOpeningAPageIsShownOnlyOnThePageOfItsPicture) {
    THeaderList headers;
    headers.Append(kind::GopHeader, GopHeader(1));
    headers.Append(kind::PictureHeader, PictureHeader(1));            // entry 2
    headers.Append(kind::PictureCodingExtension, CodingExtension());  // entry 3
    headers.Append(kind::PictureHeader, PictureHeader(2));            // entry 4

    TRecordingTreeSink opening;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 3, 2, opening, nullptr, 1, lastPicture);
    ASSERT_EQ(opening.TopLevel().size(), 1u);
    EXPECT_EQ(opening.TopLevel()[0].Caption, "P - Frame");
    for (const TRecordedNode& node : opening.Nodes) {
        EXPECT_NE(node.Caption, "Coding extension");
    }

    TRecordingTreeSink previous;
    BuildTreePage(headers, 2, 2, previous, nullptr, 1, lastPicture);
    ASSERT_EQ(previous.TopLevel().size(), 1u);
    EXPECT_EQ(previous.Children(previous.TopLevel()[0].Id).back().Caption, "Coding extension");
}

// An extended list can hold a non-video 0xC9 start code (kind of a coding extension, no bytes)
// before any picture of the page. The picture node of an earlier page is gone with that page, so
// the entry must not be hung under it; it is shown as a top-level node instead of being lost.
TEST(TreePage, StrayCodingExtensionBeforeAnyPictureOfThePageIsATopLevelNode) {
    THeaderList headers;
    headers.Append(kind::PictureHeader, PictureHeader(1));  // entry 1: ends the earlier page
    headers.AppendEmpty(0xBE);                              // entry 2: opens the page
    headers.AppendEmpty(kind::PictureCodingExtension);      // entry 3: stray 0xC9 start code
    headers.Append(kind::PictureHeader, PictureHeader(3));  // entry 4
    headers.AppendEmpty(kind::PictureCodingExtension);      // entry 5: under entry 4

    TRecordingTreeSink earlier;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 1, 1, earlier, nullptr, 0, lastPicture);
    ASSERT_NE(lastPicture, kTreeRoot);

    TRecordingTreeSink page;
    page.FirstId = 1000;  // ids of the earlier page's nodes mean nothing here
    BuildTreePage(headers, 2, 4, page, nullptr, 0, lastPicture);
    const std::vector<TRecordedNode> top = page.TopLevel();
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].Caption, "Stream ID: BE - Padding Stream");
    EXPECT_EQ(top[1].Caption, "Coding extension");
    EXPECT_EQ(top[1].Image, 8);
    EXPECT_EQ(top[1].Data, std::optional<int32_t>(2));
    EXPECT_EQ(page.ChildCaptions(top[1].Id).front(), "Intra DC Precision: 0 ( 8 bit )");
    EXPECT_EQ(page.ChildCaptions(top[1].Id)[1], "Picture Structure: 0 ( Reserved )");
    EXPECT_EQ(top[2].Caption, "B - Frame");
    EXPECT_EQ(page.Children(top[2].Id).back().Caption, "Coding extension");
    EXPECT_EQ(page.Children(top[2].Id).back().Data, std::optional<int32_t>(4));
    for (const TRecordedNode& node : page.Nodes) {
        EXPECT_TRUE(node.Parent == kTreeRoot || node.Parent >= 1000) << node.Caption;
    }
}

TEST(TreePage, ACodingExtensionCodeAfterOtherEntriesJoinsTheLastPicture) {
    THeaderList headers;
    headers.Append(kind::PictureHeader, PictureHeader(2));
    headers.Append(kind::PictureCodingExtension, CodingExtension());
    headers.AppendEmpty(kind::UserData);
    headers.AppendEmpty(kind::PictureCodingExtension);  // a 0xC9 start code after the picture
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 1, 4, tree, nullptr, 0, lastPicture);
    EXPECT_EQ(tree.ChildCaptions(kTreeRoot), (std::vector<std::string>{"P - Frame", "User Data"}));
    const std::vector<TRecordedNode> underPicture = tree.Children(lastPicture);
    ASSERT_GE(underPicture.size(), 2u);
    EXPECT_EQ(underPicture[underPicture.size() - 2].Caption, "Coding extension");
    EXPECT_EQ(underPicture.back().Caption, "Coding extension");
    EXPECT_EQ(underPicture.back().Data, std::optional<int32_t>(3));
}

struct TPageRange {
    int64_t First;
    int64_t Count;
    std::vector<int32_t> Data;  // data of the top-level nodes
};

TEST(TreePage, PageIsClippedToTheList) {
    THeaderList headers;
    for (int i = 0; i < 5; ++i) {
        headers.AppendEmpty(kind::UserData);
    }
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const std::vector<TPageRange> ranges = {
        {1, 5, {0, 1, 2, 3, 4}},
        {2, 2, {1, 2}},
        {4, 150, {3, 4}},
        {5, 1, {4}},
        {6, 1, {}},
        {7, 150, {}},
        {kMax, kMax, {}},
        {1, kMax, {0, 1, 2, 3, 4}},
        {3, 0, {}},
        {3, -1, {}},
        {0, 2, {0, 1}},
        {-5, 3, {0, 1, 2}},
    };
    for (const TPageRange& range : ranges) {
        TRecordingTreeSink tree;
        TreeNodeId lastPicture = kTreeRoot;
        BuildTreePage(headers, range.First, range.Count, tree, nullptr, 0, lastPicture);
        std::vector<int32_t> data;
        for (const TRecordedNode& node : tree.TopLevel()) {
            data.push_back(node.Data.value());
        }
        EXPECT_EQ(data, range.Data) << "first " << range.First << " count " << range.Count;
        EXPECT_EQ(tree.Calls.front(), "BeginUpdate");
        EXPECT_EQ(tree.Calls.back(), "EndUpdate");
    }
}

// Found by fuzzing: the foreign start code 0xCB has the value of the picture header kind, so the
// extended list holds it as a picture entry without bytes. Its node shows zero fields; reading the
// empty entry once handed memcpy a null pointer.
TEST(TreePage, ForeignCodeWithThePictureKindValueShowsAPictureOfZeroFields) {
    test::TempDir dir;
    test::TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().SystemPacket(0xCB, {0x11, 0x22});
    const test::TAnalysed a = test::Analyse(b, dir.File("cb.m2v"), kShowExtendedTreeMode);
    const THeaderList& headers = a.Stream->FHeaders;
    int64_t at = -1;
    for (int64_t i = 0; i < headers.size(); ++i) {
        if (headers.Kind(i) == kind::PictureHeader && headers[i].Data.empty()) {
            at = i;
        }
    }
    ASSERT_GE(at, 0) << "no stream code entry 0xCB";
    EXPECT_EQ(headers[at].As<TPictureHeaderRecord>().temporal_reference, 0);
    TRecordingTreeSink tree;
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, at + 1, 1, tree, nullptr, 0, lastPicture);
    ASSERT_EQ(tree.TopLevel().size(), 1u);
    const std::vector<std::string> lines = tree.ChildCaptions(tree.TopLevel()[0].Id);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Display Order: 0"), lines.end());
}

TEST(TreePage, DrawingIsLockedAroundEveryNodeAndTheProgressFollowsTheGops) {
    const THeaderList headers = TypicalStream(3);
    TRecordingTreeSink tree;
    TProgressValues progress;
    progress.SetMin(7);
    progress.SetPosition(50);
    TreeNodeId lastPicture = kTreeRoot;
    BuildTreePage(headers, 1, 20, tree, &progress, 3, lastPicture);  // covers GOPs 1 and 2
    EXPECT_EQ(progress.Min(), 0);
    EXPECT_EQ(progress.Max(), 3);
    EXPECT_EQ(progress.Position(), 2);
    ASSERT_GE(tree.Calls.size(), 3u);
    EXPECT_EQ(tree.Calls.front(), "BeginUpdate");
    EXPECT_EQ(tree.Calls.back(), "EndUpdate");
    EXPECT_EQ(std::count(tree.Calls.begin(), tree.Calls.end(), "BeginUpdate"), 1);
    EXPECT_EQ(std::count(tree.Calls.begin(), tree.Calls.end(), "EndUpdate"), 1);

    // A page without a GOP header leaves the bar at 0.
    BuildTreePage(headers, 5, 3, tree, &progress, 3, lastPicture);
    EXPECT_EQ(progress.Position(), 0);
}

// The analyser's own page uses its header list, GOP count and attached sinks, and draws nothing
// before a tree is attached.
TEST(TreePage, AnalyserBuildsItsPageIntoTheAttachedTree) {
    test::TAnalysed run = test::AnalyseFile(VELMORA_TEST_DATA_DIR "/pal_gop_seq.m2v", kShowFirstGopMode);
    TM2VStream& stream = *run.Stream;
    TProgressValues progress;
    stream.FProgressBar = &progress;
    stream.BuildTreePage(1, 150);  // no tree yet: nothing happens

    TRecordingTreeSink tree;
    ASSERT_TRUE(stream.SetTreeView(&tree));
    stream.BuildTreePage(1, 150);
    const std::vector<std::string> top = tree.ChildCaptions(kTreeRoot);
    const std::vector<int32_t> kinds = run.Kinds();
    ASSERT_EQ(top.size(), kinds.size() - static_cast<size_t>(std::count(kinds.begin(), kinds.end(),
                                                                        kind::PictureCodingExtension)));
    EXPECT_EQ(top[0], "Sequence header ( 1 )");
    EXPECT_EQ(top[1], "Sequence extension");
    EXPECT_EQ(top[2], "Group of pictures header ( 1 )");
    EXPECT_EQ(top[3], "I - Frame");
    EXPECT_EQ(top.back(), "FILE END");
    EXPECT_EQ(progress.Max(), stream.FGopCount);
    EXPECT_EQ(progress.Position(), 1);
    EXPECT_NE(stream.FLastPictureNode, kTreeRoot);
}

}  // namespace
}  // namespace velmora
