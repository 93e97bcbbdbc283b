// Time-code arithmetic at a given frame rate and the number and time texts built from it.
#include "text/time_code.h"

#include <cmath>

#include "text/rounding.h"

namespace velmora {
namespace {

// The frame rate in hundredths of a frame per second, the unit all time-code arithmetic works in.
// Zero or less means the rate cannot count frames (0, negative, NaN, or below 0.005 fps): callers
// then give a defined result instead of dividing by it.
int64_t RateHundredths(double Rate) {
    return RoundHalfEven(Rate * 100.0);
}

uint8_t LowByte(int64_t Value) {
    return static_cast<uint8_t>(static_cast<uint64_t>(Value) & 0xFFu);
}

}  // namespace

std::string ZeroPad(uint32_t Value, int Width) {
    std::string text = std::to_string(Value);
    if (static_cast<int>(text.size()) < Width) {
        text.insert(0, static_cast<size_t>(Width) - text.size(), '0');
    }
    return text;
}

std::string RoundToText(double X) {
    return std::to_string(RoundHalfEven(X));
}

std::string TimeCodeToText(const TTimeCode& TC, double Rate) {
    // Every rate but 25 and 29.x is labelled 30; the label only names the time base.
    const char* suffix = "30 fps)";
    if (std::trunc(Rate) == 29.0) {
        suffix = "29.97 fps)";
    } else if (Rate == 25.0) {
        suffix = "25 fps)";
    }
    return ZeroPad(TC.Hours, 2) + ":" + ZeroPad(TC.Minutes, 2) + ":" + ZeroPad(TC.Seconds, 2) + "." +
           ZeroPad(TC.Frames, 2) + " (" + suffix;
}

TTimeCode FramesToTimeCode(int32_t Count, double Rate) {
    const int64_t R = RateHundredths(Rate);
    if (R <= 0) {
        return {};
    }
    // The count in hundredths wraps in 32 bits, so counts above 42,949,672 wrap as they always have.
    const uint32_t F = static_cast<uint32_t>(Count) * 100u;
    const int64_t frames = RoundHalfEven(static_cast<double>(F % R) / 100.0);
    int64_t carry = 0;
    TTimeCode TC;
    if (frames == RoundHalfEven(Rate)) {
        carry = 1;
    } else {
        TC.Frames = LowByte(frames);
    }
    const int64_t S = F / R + carry;
    TC.Seconds = static_cast<uint8_t>(S % 60);
    TC.Minutes = static_cast<uint8_t>((S / 60) % 60);
    TC.Hours = LowByte(S / 3600);  // hours do not wrap at 24
    return TC;
}

TTimeCode AddTimeCodes(const TTimeCode& A, const TTimeCode& B, double Rate) {
    // The rate is kept in 32 bits here; a rate too large for that reads as unusable.
    const int32_t R =
        static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(RateHundredths(Rate))));
    if (R <= 0) {
        return {};
    }
    const int32_t F = (A.Frames + B.Frames) * 100;
    TTimeCode TC;
    TC.Frames = LowByte(RoundHalfEven(static_cast<double>(F % R) / 100.0));
    const uint8_t carriedSeconds = LowByte(F / R);
    const int t = A.Seconds + B.Seconds + carriedSeconds;
    TC.Seconds = static_cast<uint8_t>(t % 60);
    const uint8_t u = static_cast<uint8_t>(t / 60 + A.Minutes + B.Minutes);
    TC.Minutes = static_cast<uint8_t>(u % 60);
    TC.Hours = static_cast<uint8_t>((u / 60 + A.Hours + B.Hours) % 60);  // hours wrap at 60
    return TC;
}

void DecTimeCode(TTimeCode& TC, double Rate) {
    // Stepping back needs the last frame number of a second; without a usable rate there is none.
    if (RateHundredths(Rate) <= 0) {
        return;
    }
    if (TC.Frames > 0) {
        --TC.Frames;
        return;
    }
    TC.Frames = LowByte(RoundHalfEven(Rate - 1.0));
    if (TC.Seconds > 0) {
        --TC.Seconds;
        return;
    }
    TC.Seconds = 59;
    if (TC.Minutes > 0) {
        --TC.Minutes;
        return;
    }
    TC.Minutes = 59;
    if (TC.Hours > 0) {
        --TC.Hours;
    }
}

}  // namespace velmora
