// velmora-cli info: analyse one stream in a processing mode and print its summary (text or JSON).
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "analyse.h"
#include "analysis/m2v_stream.h"
#include "command_registry.h"
#include "present/summary.h"
#include "present/value_tables.h"

namespace velmora::cli {
namespace {

// Version of the JSON output; raise it when a key changes meaning.
constexpr int kInfoFormatVersion = 1;

struct TInfoOptions {
    std::string File;
    std::string Mode = "quick";
    bool Json = false;
    bool All = false;  // the whole foreign_data list, not its first kCutListHead entries
};

// The label texts after the run: a label the run leaves alone keeps its caption.
std::vector<std::string> LabelLines(const TM2VStream& stream) {
    const std::vector<TSummaryLabel> captions = SummaryCaptions();
    std::vector<std::string> lines;
    for (const TSummaryText& text : SummaryTexts(stream)) {
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

nlohmann::json InfoJson(const TInfoOptions& options, const TM2VStream& s,
                        const std::vector<std::string>& messages) {
    nlohmann::json foreign = nlohmann::json::array();
    for (const TDataBlock& block : s.FUnformattedBlocks) {
        foreign.push_back({{"position", block.Position}, {"length", block.Length}});
    }
    const TTimeCode& tc = s.FStartTimeCode;
    nlohmann::json info = {
        {"format_version", kInfoFormatVersion},
        {"file", options.File},
        {"mode", options.Mode},
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
        {"messages", messages},
        {"labels", LabelLines(s)},
    };
    // A list cut short says how long it is.
    if (s.FUnformattedCount > static_cast<int64_t>(s.FUnformattedBlocks.size())) {
        info["foreign_data_count"] = s.FUnformattedCount;
    }
    return info;
}

int RunInfo(const TInfoOptions& options) {
    // Without --all only the first blocks are listed: the scan keeps no more.
    const std::optional<TAnalysis> analysis = AnalyseStream(options.File, options.Mode, options.All);
    if (!analysis) {
        return kExitFailure;
    }
    const TM2VStream& stream = *analysis->Stream;
    const std::vector<std::string>& messages = analysis->Messages;
    if (options.Json) {
        std::cout << InfoJson(options, stream, messages).dump(2) << '\n';
    } else {
        for (const std::string& line : LabelLines(stream)) {
            std::cout << line << '\n';
        }
    }
    return kExitOk;
}

void AddInfoCommand(CLI::App& app) {
    auto options = std::make_shared<TInfoOptions>();
    CLI::App* cmd = app.add_subcommand("info", "Analyse a stream and print its summary");
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("--mode", options->Mode, "Processing mode (default quick)")
        ->check(CLI::IsMember(ProcessingModeCliNames()))
        ->capture_default_str();
    cmd->add_flag("--json", options->Json, "Print one JSON object instead of the summary lines");
    cmd->add_flag("--all", options->All,
                  "List every block of foreign data in the JSON (else the first " +
                      std::to_string(kCutListHead) + " and foreign_data_count)");
    cmd->callback([options] { SetExitCode(RunInfo(*options)); });
}

const RegisterCommand kRegisterInfo(AddInfoCommand);

}  // namespace
}  // namespace velmora::cli
