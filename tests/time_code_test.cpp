// Time-code arithmetic and the number texts: the wrap cases at every field and the unusable rates.
#include "text/time_code.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "text/rounding.h"

namespace velmora {
namespace {

TTimeCode TC(int h, int m, int s, int f) {
    return TTimeCode{static_cast<uint8_t>(h), static_cast<uint8_t>(m), static_cast<uint8_t>(s),
                     static_cast<uint8_t>(f)};
}

std::string Show(const TTimeCode& tc) {
    return TimeCodeToText(tc, 25);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(TimeCode, LayoutIsHoursMinutesSecondsFramesInFourBytes) {
    // Read as a little-endian 32-bit integer, Hours is the lowest byte (the cache stores it so).
    const uint8_t bytes[4] = {0x01, 0x02, 0x03, 0x04};
    TTimeCode tc;
    std::memcpy(&tc, bytes, sizeof tc);
    EXPECT_EQ(tc, TC(1, 2, 3, 4));
    uint8_t back[4] = {};
    const TTimeCode written = TC(10, 20, 30, 40);
    std::memcpy(back, &written, sizeof back);
    EXPECT_EQ(back[0], 10);
    EXPECT_EQ(back[1], 20);
    EXPECT_EQ(back[2], 30);
    EXPECT_EQ(back[3], 40);
}

TEST(TimeCode, ZeroPad) {
    struct Case {
        uint32_t value;
        int width;
        const char* text;
    };
    const std::vector<Case> cases = {
        {7, 2, "07"},
        {123, 2, "123"},
        {3, 5, "00003"},
        {0, 2, "00"},
        {0, 0, "0"},
        {42, 6, "000042"},
        {5, -3, "5"},
        {99999, 5, "99999"},
        {100000, 5, "100000"},
        // The value is read as unsigned 32-bit: -1 passed by a caller shows as 4294967295.
        {static_cast<uint32_t>(-1), 2, "4294967295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZeroPad(c.value, c.width), c.text) << c.value << " width " << c.width;
    }
}

TEST(TimeCode, RoundToTextTakesHalvesToEven) {
    struct Case {
        double x;
        const char* text;
    };
    const std::vector<Case> cases = {
        {2.5, "2"},
        {3.5, "4"},
        {0.5, "0"},
        {1.5, "2"},
        {-0.5, "0"},
        {-1.5, "-2"},
        {-2.5, "-2"},
        {2.4999, "2"},
        {2.5001, "3"},
        {0.0, "0"},
        {1e12, "1000000000000"},
        {1234.5, "1234"},
        {1235.5, "1236"},
        // Defined results where plain conversion would be undefined.
        {kNaN, "0"},
        {kInf, "9223372036854775807"},
        {-kInf, "-9223372036854775808"},
        {1e300, "9223372036854775807"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundToText(c.x), c.text) << c.x;
    }
}

TEST(TimeCode, RoundHalfEvenAtTheLimitsOfDoublePrecision) {
    EXPECT_EQ(RoundHalfEven(4503599627370495.5), 4503599627370496);  // 2^52 - 0.5
    EXPECT_EQ(RoundHalfEven(9007199254740993.0), 9007199254740992);  // already an integer double
    EXPECT_EQ(RoundHalfEven(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
}

TEST(TimeCode, TimeCodeToTextNamesTheRate) {
    struct Case {
        double rate;
        const char* text;
    };
    const std::vector<Case> cases = {
        {25, "01:02:03.04 (25 fps)"},        {30, "01:02:03.04 (30 fps)"},
        {29.97, "01:02:03.04 (29.97 fps)"},  {29, "01:02:03.04 (29.97 fps)"},
        {29.999, "01:02:03.04 (29.97 fps)"}, {24, "01:02:03.04 (30 fps)"},
        {25.5, "01:02:03.04 (30 fps)"},      {50, "01:02:03.04 (30 fps)"},
        {0, "01:02:03.04 (30 fps)"},         {-1, "01:02:03.04 (30 fps)"},
        {kNaN, "01:02:03.04 (30 fps)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TimeCodeToText(TC(1, 2, 3, 4), c.rate), c.text) << c.rate;
    }
    EXPECT_EQ(TimeCodeToText(TC(255, 0, 0, 100), 25), "255:00:00.100 (25 fps)");
}

TEST(TimeCode, FramesToTimeCode) {
    struct Case {
        int32_t count;
        double rate;
        TTimeCode expected;
    };
    const std::vector<Case> cases = {
        {0, 30, TC(0, 0, 0, 0)},
        {1799, 30, TC(0, 0, 59, 29)},
        {1800, 30, TC(0, 1, 0, 0)},
        {108000, 30, TC(1, 0, 0, 0)},
        {90000, 25, TC(1, 0, 0, 0)},
        {89999, 25, TC(0, 59, 59, 24)},
        // Hours do not wrap at 24.
        {30 * 3600 * 25, 30, TC(25, 0, 0, 0)},
        // Hours keep their low 8 bits: 256 hours at 30 fps read as 0.
        {30 * 3600 * 256, 30, TC(0, 0, 0, 0)},
        // Counts up to 42,949,672 are exact (hours keep their low 8 bits: 397 reads as 141); one more
        // wraps the 32-bit hundredths to 4, which is all zero.
        {42949672, 30, TC(141, 40, 55, 22)},
        {42949673, 30, TC(0, 0, 0, 0)},
        // A negative count is read as unsigned hundredths: -1 gives 4294967196.
        {-1, 25, TC(221, 13, 6, 22)},
        // Fractional rates work in hundredths, 2997 per second at 29.97.
        {29, 29.97, TC(0, 0, 0, 29)},
        {30, 29.97, TC(0, 0, 1, 0)},
        {1029, 29.97, TC(0, 0, 34, 10)},
        // 53900 mod 2997 = 2951 rounds to frame 30, which carries into the next second.
        {539, 29.97, TC(0, 0, 18, 0)},
        // 149900 mod 2997 = 50: half a frame rounds to the even frame 0.
        {1499, 29.97, TC(0, 0, 50, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Show(FramesToTimeCode(c.count, c.rate)), Show(c.expected))
            << c.count << " frames at " << c.rate;
    }
}

TEST(TimeCode, AddTimeCodes) {
    struct Case {
        TTimeCode a, b;
        double rate;
        TTimeCode expected;
    };
    const std::vector<Case> cases = {
        {TC(1, 0, 0, 20), TC(0, 0, 0, 15), 25, TC(1, 0, 1, 10)},
        {TC(23, 59, 59, 29), TC(0, 0, 0, 1), 30, TC(24, 0, 0, 0)},
        // Hours wrap at 60, not at 24.
        {TC(59, 59, 59, 29), TC(0, 0, 0, 1), 30, TC(0, 0, 0, 0)},
        {TC(40, 0, 0, 0), TC(30, 0, 0, 0), 25, TC(10, 0, 0, 0)},
        {TC(0, 0, 0, 0), TC(0, 0, 0, 0), 30, TC(0, 0, 0, 0)},
        {TC(0, 0, 0, 24), TC(0, 0, 0, 24), 25, TC(0, 0, 1, 23)},
        {TC(0, 30, 45, 10), TC(0, 29, 15, 19), 30, TC(1, 0, 0, 29)},
        // Frames beyond one second carry more than one second.
        {TC(0, 0, 0, 200), TC(0, 0, 0, 100), 25, TC(0, 0, 12, 0)},
        // At 29.97 the frames sum 3000 hundredths: one second and 3 hundredths, which round to frame 0.
        {TC(0, 0, 0, 15), TC(0, 0, 0, 15), 29.97, TC(0, 0, 1, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Show(AddTimeCodes(c.a, c.b, c.rate)), Show(c.expected))
            << Show(c.a) << " + " << Show(c.b) << " at " << c.rate;
    }
}

TEST(TimeCode, DecTimeCode) {
    struct Case {
        TTimeCode tc;
        double rate;
        TTimeCode expected;
    };
    const std::vector<Case> cases = {
        {TC(1, 0, 0, 0), 30, TC(0, 59, 59, 29)},
        // Hours stay at 0 while minutes and seconds wrap.
        {TC(0, 0, 0, 0), 25, TC(0, 59, 59, 24)},
        {TC(0, 1, 0, 0), 30, TC(0, 0, 59, 29)},
        {TC(0, 0, 1, 0), 30, TC(0, 0, 0, 29)},
        {TC(2, 3, 4, 5), 30, TC(2, 3, 4, 4)},
        // The last frame of a second at 29.97 is round(28.97) = 29.
        {TC(0, 0, 10, 0), 29.97, TC(0, 0, 9, 29)},
    };
    for (const Case& c : cases) {
        TTimeCode tc = c.tc;
        DecTimeCode(tc, c.rate);
        EXPECT_EQ(Show(tc), Show(c.expected)) << Show(c.tc) << " at " << c.rate;
    }
}

// A rate that cannot count frames (the forbidden frame_rate_code gives -1, reserved codes give 0) must
// never divide by zero: conversion and addition give an all-zero time code, stepping back changes nothing.
TEST(TimeCode, UnusableRateGivesDefinedResults) {
    for (double rate : {0.0, -1.0, -30.0, 0.004, kNaN, -kInf}) {
        EXPECT_EQ(FramesToTimeCode(1799, rate), TC(0, 0, 0, 0)) << rate;
        EXPECT_EQ(FramesToTimeCode(0, rate), TC(0, 0, 0, 0)) << rate;
        EXPECT_EQ(AddTimeCodes(TC(1, 2, 3, 4), TC(0, 0, 0, 30), rate), TC(0, 0, 0, 0)) << rate;
        for (TTimeCode start : {TC(0, 0, 0, 0), TC(1, 0, 0, 0), TC(1, 2, 3, 4)}) {
            TTimeCode tc = start;
            DecTimeCode(tc, rate);
            EXPECT_EQ(tc, start) << rate;
        }
    }
    // An infinite rate never reaches a second; the frame number keeps its low 8 bits.
    EXPECT_EQ(FramesToTimeCode(1000, kInf), TC(0, 0, 0, 232));
}

}  // namespace
}  // namespace velmora
