// The summary labels: their captions before the first run and their texts after a run.
#include "present/summary.h"

#include <cmath>

#include "analysis/m2v_stream.h"
#include "present/value_tables.h"
#include "text/rounding.h"
#include "text/time_code.h"

namespace velmora {

std::vector<TSummaryLabel> SummaryCaptions() {
    return {
        {"Label18", "Resolution:"},
        {"Label19", "Drop Type:"},
        {"Label9", "Data Start Time:"},
        {"Label10", "Data End Time :"},
        {"Label21", "Encode Type: "},
        {"Label16", "Size: "},
        {"Label4", "Aspect Ratio: "},
        {"Label22", "Bite rate:"},
        {"Label23", "Bitrate Type: "},
        {"Label14", "Line21 Switch1: "},
        {"Label15", "Line21 Switch2:"},
        {"Label1", "Is PullDown: "},
        {"Label2", "Frame Rate: "},
        {"Label5", "Picture Count: "},
        {"Label6", "Pull Down Picture Count:"},
        {"Label7", "Duration Time   :"},
        {"Label11", "Sequence End Count:"},
        {"Label12", "Max number of pictures in GOP:"},
        {"Label33", "Number of pictures:"},
        {"Label13", "Number of frames: "},
        {"Label34", "Number of fields:"},
    };
}

std::vector<TSummaryText> SummaryTexts(const TM2VStream& s) {
    const double fps =
        static_cast<double>(RoundHalfEven(FrameRateValue(static_cast<uint32_t>(s.FFrameRateCode))));
    const int32_t d = static_cast<int32_t>(s.FDisplayedFrames);
    // Time arithmetic divides by the rate: without a positive rate there is no duration to show.
    const bool timed = fps > 0;
    std::string endText = "unknown";
    std::string durationText = "unknown";
    if (timed) {
        const TTimeCode duration = FramesToTimeCode(d, fps);
        TTimeCode end = AddTimeCodes(s.FStartTimeCode, duration, fps);
        DecTimeCode(end, fps);
        endText = TimeCodeToText(end, fps);
        durationText = TimeCodeToText(duration, fps);
    }
    std::string aspect = "Aspect Ratio: " + AspectRatioText(static_cast<uint32_t>(s.FAspectRatio));
    if (s.FPanScan) {
        aspect += " (Pan-scan)";
    }
    std::vector<TSummaryText> texts = {
        {"Label18", fps == 25 ? "Resolution: PAL" : "Resolution: NTSC"},
        {"Label19", s.FDropFrame ? "Drop Type: Drop frame" : "Drop Type: Non-drop frame"},
        {"Label9", "Data Start Time: " + TimeCodeToText(s.FStartTimeCode, fps)},
        {"Label10", "Data End Time : " + endText},
        {"Label21", "Encode Type: MPEG " + std::to_string(s.FMpegVersion)},
        {"Label16", "Size: " + std::to_string(s.FWidth) + " x " + std::to_string(s.FHeight)},
        {"Label4", aspect},
        {"Label22", "Bit rate: " + std::to_string(s.FBitRate)},
        {"Label23", s.FVariableBitRate ? "Bitrate Type: Variable" : "Bitrate Type: Constant"},
        {"Label14", "Line21 Switch1: " + YesNoText(s.FLine21Switch1)},
        {"Label15", "Line21 Switch2: " + YesNoText(s.FLine21Switch2)},
        {"Label1", "Is PullDown: " + YesNoText(s.FPullDown)},
        {"Label2", "Frame Rate: " + FrameRateText(static_cast<uint32_t>(s.FFrameRateCode))},
        {"Label5", "Picture Count: " + RoundToText(s.FPictureCount)},
        {"Label6", std::nullopt},
        {"Label7", "Duration Time   : " + durationText},
        {"Label11", "Sequence End Count: " + std::to_string(s.FSequenceEndCount)},
        {"Label12", "Max number of pictures in GOP: " + std::to_string(s.FMaxGopPictures)},
        {"Label33", "Number of pictures: " + RoundToText(s.FPictureCount)},
        {"Label13", "Number of frames: " + std::to_string(s.FFrameCount)},
        {"Label34", "Number of fields: " + std::to_string(s.FFieldCount)},
    };
    if (s.FDisplayedFrames > 0) {
        texts[14].Text = "Pull Down Picture Count: " + std::to_string(s.FDisplayedFrames);
    }
    return texts;
}

}  // namespace velmora
