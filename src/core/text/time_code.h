// Time codes and the number and time texts shown to the user.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// A time code in 4 bytes: Hours, Minutes, Seconds, Frames. Read as one little-endian 32-bit
// integer, Hours is the lowest byte; the analysis cache stores it in this layout.
struct TTimeCode {
    uint8_t Hours = 0;
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;
    friend bool operator==(const TTimeCode&, const TTimeCode&) = default;
};
static_assert(sizeof(TTimeCode) == 4);

// Decimal text of Value (as unsigned 32-bit), padded on the left with "0" to at least Width digits.
std::string ZeroPad(uint32_t Value, int Width);
// Decimal text of X rounded to the nearest integer, halves to even.
std::string RoundToText(double X);
// "HH:MM:SS.FF (R fps)" with the rate suffix "29.97 fps)", "25 fps)" or "30 fps)".
std::string TimeCodeToText(const TTimeCode& TC, double Rate);

// Time-code arithmetic at Rate frames per second, worked in hundredths of a frame. A rate that rounds
// to no whole hundredth above zero (0, negative, NaN: the forbidden and reserved frame_rate_codes give
// -1 and 0) cannot count frames: conversion and addition then give an all-zero time code and stepping
// back leaves the time code unchanged.
TTimeCode FramesToTimeCode(int32_t Count, double Rate);
// Hours wrap at 60.
TTimeCode AddTimeCodes(const TTimeCode& A, const TTimeCode& B, double Rate);
// One frame back; at 00:00:00.00 minutes and seconds wrap to 59 while hours stay 0.
void DecTimeCode(TTimeCode& TC, double Rate);

}  // namespace velmora
