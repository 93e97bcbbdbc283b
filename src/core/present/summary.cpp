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
        {"ResolutionLabel", "Resolution:"},
        {"DropTypeLabel", "Drop Type:"},
        {"StartTimeLabel", "Data Start Time:"},
        {"EndTimeLabel", "Data End Time :"},
        {"EncodeTypeLabel", "Encode Type: "},
        {"SizeLabel", "Size: "},
        {"AspectRatioLabel", "Aspect Ratio: "},
        {"BitRateLabel", "Bite rate:"},
        {"BitRateTypeLabel", "Bitrate Type: "},
        {"Line21Switch1Label", "Line21 Switch1: "},
        {"Line21Switch2Label", "Line21 Switch2:"},
        {"PullDownLabel", "Is PullDown: "},
        {"FrameRateLabel", "Frame Rate: "},
        {"PictureCountLabel", "Picture Count: "},
        {"PullDownPictureCountLabel", "Pull Down Picture Count:"},
        {"DurationLabel", "Duration Time   :"},
        {"SequenceEndCountLabel", "Sequence End Count:"},
        {"MaxGopPicturesLabel", "Max number of pictures in GOP:"},
        {"NumberOfPicturesLabel", "Number of pictures:"},
        {"FrameCountLabel", "Number of frames: "},
        {"FieldCountLabel", "Number of fields:"},
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
        {"ResolutionLabel", fps == 25 ? "Resolution: PAL" : "Resolution: NTSC"},
        {"DropTypeLabel", s.FDropFrame ? "Drop Type: Drop frame" : "Drop Type: Non-drop frame"},
        {"StartTimeLabel", "Data Start Time: " + TimeCodeToText(s.FStartTimeCode, fps)},
        {"EndTimeLabel", "Data End Time : " + endText},
        {"EncodeTypeLabel", "Encode Type: MPEG " + std::to_string(s.FMpegVersion)},
        {"SizeLabel", "Size: " + std::to_string(s.FWidth) + " x " + std::to_string(s.FHeight)},
        {"AspectRatioLabel", aspect},
        {"BitRateLabel", "Bit rate: " + std::to_string(s.FBitRate)},
        {"BitRateTypeLabel", s.FVariableBitRate ? "Bitrate Type: Variable" : "Bitrate Type: Constant"},
        {"Line21Switch1Label", "Line21 Switch1: " + YesNoText(s.FLine21Switch1)},
        {"Line21Switch2Label", "Line21 Switch2: " + YesNoText(s.FLine21Switch2)},
        {"PullDownLabel", "Is PullDown: " + YesNoText(s.FPullDown)},
        {"FrameRateLabel", "Frame Rate: " + FrameRateText(static_cast<uint32_t>(s.FFrameRateCode))},
        {"PictureCountLabel", "Picture Count: " + RoundToText(s.FPictureCount)},
        {"PullDownPictureCountLabel", std::nullopt},
        {"DurationLabel", "Duration Time   : " + durationText},
        {"SequenceEndCountLabel", "Sequence End Count: " + std::to_string(s.FSequenceEndCount)},
        {"MaxGopPicturesLabel", "Max number of pictures in GOP: " + std::to_string(s.FMaxGopPictures)},
        {"NumberOfPicturesLabel", "Number of pictures: " + RoundToText(s.FPictureCount)},
        {"FrameCountLabel", "Number of frames: " + std::to_string(s.FFrameCount)},
        {"FieldCountLabel", "Number of fields: " + std::to_string(s.FFieldCount)},
    };
    if (s.FDisplayedFrames > 0) {
        texts[14].Text = "Pull Down Picture Count: " + std::to_string(s.FDisplayedFrames);
    }
    return texts;
}

}  // namespace velmora
