// The summary of an analysis as JSON: the analyser's values under stable keys.
#include "present/summary_json.h"

#include "analysis/m2v_stream.h"
#include "present/summary.h"
#include "present/value_tables.h"

namespace velmora {

std::vector<std::string> SummaryLines(const TM2VStream& Stream) {
    const std::vector<TSummaryLabel> captions = SummaryCaptions();
    std::vector<std::string> lines;
    for (const TSummaryText& text : SummaryTexts(Stream)) {
        if (text.Text) {
            lines.push_back(*text.Text);
            continue;
        }
        for (const TSummaryLabel& caption : captions) {
            if (caption.Name == text.Name) {
                lines.push_back(caption.Text);
            }
        }
    }
    return lines;
}

nlohmann::json SummaryJson(const TM2VStream& s, const std::string& File, const std::string& Mode,
                           const std::vector<std::string>& Messages) {
    nlohmann::json foreign = nlohmann::json::array();
    for (const TDataBlock& block : s.FUnformattedBlocks) {
        foreign.push_back({{"position", block.Position}, {"length", block.Length}});
    }
    const TTimeCode& tc = s.FStartTimeCode;
    nlohmann::json info = {
        {"format_version", kSummaryJsonFormatVersion},
        {"file", File},
        {"mode", Mode},
        {"aborted", s.FAborted},
        {"width", s.FWidth},
        {"height", s.FHeight},
        {"aspect_ratio_code", s.FAspectRatio},
        {"aspect_ratio", AspectRatioText(static_cast<uint32_t>(s.FAspectRatio))},
        {"pan_scan", s.FPanScan},
        {"frame_rate_code", s.FFrameRateCode},
        {"frame_rate", FrameRateValue(static_cast<uint32_t>(s.FFrameRateCode))},
        {"bit_rate", s.FBitRate},
        {"variable_bit_rate", s.FVariableBitRate},
        {"mpeg_version", s.FMpegVersion},
        {"line21_switch1", s.FLine21Switch1},
        {"line21_switch2", s.FLine21Switch2},
        {"picture_count", s.FPictureCount},
        {"displayed_frames", s.FDisplayedFrames},
        {"frame_count", s.FFrameCount},
        {"field_count", s.FFieldCount},
        {"pulldown", s.FPullDown},
        {"max_gop_pictures", s.FMaxGopPictures},
        {"gop_count", s.FGopCount},
        {"sequence_header_count", s.FSequenceHeaderCount},
        {"sequence_end_count", s.FSequenceEndCount},
        {"drop_frame", s.FDropFrame},
        {"start_time_code", {tc.Hours, tc.Minutes, tc.Seconds, tc.Frames}},
        {"foreign_data", foreign},
        {"header_count", s.HeaderCount()},
        {"messages", Messages},
        {"labels", SummaryLines(s)},
    };
    // A list cut short says how long it is.
    if (s.FUnformattedCount > static_cast<int64_t>(s.FUnformattedBlocks.size())) {
        info["foreign_data_count"] = s.FUnformattedCount;
    }
    return info;
}

}  // namespace velmora
