// The summary labels: captions, texts in window order, time codes and the rate edge cases.
#include "present/summary.h"

#include <gtest/gtest.h>

#include "settings/processing_mode.h"
#include "support/analyser_run.h"

namespace velmora::test {
namespace {

std::vector<std::string> Names(const std::vector<TSummaryText>& texts) {
    std::vector<std::string> names;
    for (const TSummaryText& t : texts) {
        names.push_back(t.Name);
    }
    return names;
}

std::string TextOf(const std::vector<TSummaryText>& texts, const std::string& name) {
    for (const TSummaryText& t : texts) {
        if (t.Name == name) {
            return t.Text.value_or("<kept>");
        }
    }
    return "<missing>";
}

TEST(Summary, CaptionsAndTextsCoverTheSameLabelsInWindowOrder) {
    const std::vector<TSummaryLabel> captions = SummaryCaptions();
    const std::vector<std::string> order = {
        "ResolutionLabel",       "DropTypeLabel",         "StartTimeLabel",
        "EndTimeLabel",          "EncodeTypeLabel",       "SizeLabel",
        "AspectRatioLabel",      "BitRateLabel",          "BitRateTypeLabel",
        "Line21Switch1Label",    "Line21Switch2Label",    "PullDownLabel",
        "FrameRateLabel",        "PictureCountLabel",     "PullDownPictureCountLabel",
        "DurationLabel",         "SequenceEndCountLabel", "MaxGopPicturesLabel",
        "NumberOfPicturesLabel", "FrameCountLabel",       "FieldCountLabel"};
    ASSERT_EQ(captions.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(captions[i].Name, order[i]);
    }
    EXPECT_EQ(captions[7].Text, "Bite rate:");
    TempDir dir;
    TStreamBuilder b;
    b.SequenceHeader().SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 1);
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
    EXPECT_EQ(Names(SummaryTexts(*a.Stream)), order);
}

TEST(Summary, PalSampleTexts) {
    TempDir dir;
    TStreamBuilder b;
    TSequenceDisplayExtensionFields de;
    de.display_horizontal_size = 540;
    b.SequenceHeader().SequenceExtension().SequenceDisplayExtension(de);
    TGopHeaderFields g;
    g.time_code_hours = 1;
    g.time_code_pictures = 20;
    b.Gop(g);
    for (uint32_t p = 0; p < 40; ++p) {
        b.Picture(1, p).PictureCodingExtension().Slices(1, 1);
    }
    TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
    const std::vector<TSummaryText> t = SummaryTexts(*a.Stream);
    EXPECT_EQ(TextOf(t, "ResolutionLabel"), "Resolution: PAL");
    EXPECT_EQ(TextOf(t, "DropTypeLabel"), "Drop Type: Non-drop frame");
    EXPECT_EQ(TextOf(t, "StartTimeLabel"), "Data Start Time: 01:00:00.20 (25 fps)");
    // 40 frames from 01:00:00.20: the last one is shown at 01:00:02.09.
    EXPECT_EQ(TextOf(t, "EndTimeLabel"), "Data End Time : 01:00:02.09 (25 fps)");
    EXPECT_EQ(TextOf(t, "EncodeTypeLabel"), "Encode Type: MPEG 2");
    EXPECT_EQ(TextOf(t, "SizeLabel"), "Size: 720 x 576");
    EXPECT_EQ(TextOf(t, "AspectRatioLabel"), "Aspect Ratio: 4 : 3 (Pan-scan)");
    EXPECT_EQ(TextOf(t, "BitRateLabel"), "Bit rate: 6000000");
    EXPECT_EQ(TextOf(t, "BitRateTypeLabel"), "Bitrate Type: Variable");
    EXPECT_EQ(TextOf(t, "Line21Switch1Label"), "Line21 Switch1: No");
    EXPECT_EQ(TextOf(t, "PullDownLabel"), "Is PullDown: No");
    EXPECT_EQ(TextOf(t, "FrameRateLabel"), "Frame Rate: 25");
    EXPECT_EQ(TextOf(t, "PictureCountLabel"), "Picture Count: 40");
    EXPECT_EQ(TextOf(t, "PullDownPictureCountLabel"), "Pull Down Picture Count: 40");
    EXPECT_EQ(TextOf(t, "DurationLabel"), "Duration Time   : 00:00:01.15 (25 fps)");
    EXPECT_EQ(TextOf(t, "SequenceEndCountLabel"), "Sequence End Count: 0");
    EXPECT_EQ(TextOf(t, "MaxGopPicturesLabel"), "Max number of pictures in GOP: 40");
    EXPECT_EQ(TextOf(t, "NumberOfPicturesLabel"), "Number of pictures: 40");
    EXPECT_EQ(TextOf(t, "FrameCountLabel"), "Number of frames: 40");
    EXPECT_EQ(TextOf(t, "FieldCountLabel"), "Number of fields: 80");
}

TEST(Summary, RatesRoundToWholeFramesPerSecond) {
    struct Case {
        uint32_t Code;
        std::string Resolution, Duration;
    };
    // 30 frames at each rate; the rate is rounded before any time arithmetic.
    const Case cases[] = {
        {1, "Resolution: NTSC", "Duration Time   : 00:00:01.06 (30 fps)"},
        {4, "Resolution: NTSC", "Duration Time   : 00:00:01.00 (30 fps)"},
        {6, "Resolution: NTSC", "Duration Time   : 00:00:00.30 (30 fps)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code);
        TempDir dir;
        TStreamBuilder b;
        TSequenceHeaderFields sh;
        sh.frame_rate_code = c.Code;
        b.SequenceHeader(sh).SequenceExtension().Gop();
        for (uint32_t p = 0; p < 30; ++p) {
            b.Picture(1, p).PictureCodingExtension().Slices(1, 1);
        }
        TAnalysed a = Analyse(b, dir.File("s.m2v"), kQuickMode);
        const std::vector<TSummaryText> t = SummaryTexts(*a.Stream);
        EXPECT_EQ(TextOf(t, "ResolutionLabel"), c.Resolution);
        EXPECT_EQ(TextOf(t, "DurationLabel"), c.Duration);
    }
}

TEST(Summary, NonPositiveRateShowsNoDurationAndNoDisplayedFramesKeepsTheLabel) {
    for (uint32_t code : {0u, 9u, 15u}) {
        SCOPED_TRACE(code);
        TempDir dir;
        TStreamBuilder b;
        TSequenceHeaderFields sh;
        sh.frame_rate_code = code;
        b.SequenceHeader(sh).SequenceExtension().Gop().Picture(1, 0).PictureCodingExtension().Slices(1, 1);
        TAnalysed a = Analyse(b, dir.File("s.m2v"), kShowTreeMode);
        const std::vector<TSummaryText> t = SummaryTexts(*a.Stream);
        EXPECT_EQ(TextOf(t, "DurationLabel"), "Duration Time   : unknown");
        EXPECT_EQ(TextOf(t, "EndTimeLabel"), "Data End Time : unknown");
        EXPECT_EQ(TextOf(t, "StartTimeLabel").rfind("Data Start Time: 00:00:00.00 (", 0), 0u);
    }
    TempDir dir;
    TStreamBuilder empty;
    empty.SequenceHeader();
    TAnalysed a = Analyse(empty, dir.File("e.m2v"), kQuickMode);
    EXPECT_EQ(TextOf(SummaryTexts(*a.Stream), "PullDownPictureCountLabel"), "<kept>");
}

}  // namespace
}  // namespace velmora::test
