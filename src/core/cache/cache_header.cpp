// The analysis cache header: the summary values of a scan at their fixed offsets.
#include "cache/cache_header.h"

#include <cmath>

#include "analysis/m2v_stream.h"
#include "present/value_tables.h"
#include "text/rounding.h"
#include "text/time_code.h"

namespace velmora {

uint64_t CacheStamp(uint64_t LastWriteTime, int64_t FileSize) {
    // A bijective 64-bit mix of the size (the finaliser of splitmix64), so no two sizes cancel out.
    uint64_t z = static_cast<uint64_t>(FileSize) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return LastWriteTime ^ z ^ (z >> 31);
}

cache::TCacheHeader BuildCacheHeader(const TM2VStream& s, bool Final) {
    using namespace cache;
    TCacheHeader h;
    std::memcpy(h.Bytes.data(), kMagic.data(), kMagic.size());
    h.Put<TTimeCode>(offset::StartTimeCode, s.FStartTimeCode);
    const int32_t fps =
        static_cast<int32_t>(RoundHalfEven(FrameRateValue(static_cast<uint32_t>(s.FFrameRateCode))));
    // A stream without a usable frame rate has no duration; the time helpers divide by the rate.
    const TTimeCode duration =
        fps > 0 ? FramesToTimeCode(static_cast<int32_t>(s.FDisplayedFrames), fps) : TTimeCode{};
    h.Put<TTimeCode>(offset::Duration, duration);
    h.Put<int32_t>(offset::MaxGopPictures, s.FMaxGopPictures);
    h.Put<int32_t>(offset::FrameRate, fps);
    h.Put<int32_t>(offset::AspectRatio, s.FAspectRatio);
    h.Put<uint8_t>(offset::PanScan, s.FPanScan ? 1 : 0);
    h.Put<uint8_t>(offset::VariableBitRate, s.FVariableBitRate ? 1 : 0);
    h.Put<int32_t>(offset::MpegVersion, s.FMpegVersion);
    h.Put<uint8_t>(offset::Line21Switch1, s.FLine21Switch1 ? 1 : 0);
    h.Put<uint8_t>(offset::Line21Switch2, s.FLine21Switch2 ? 1 : 0);
    h.Put<int32_t>(offset::FrameRateCode, s.FFrameRateCode);
    h.Put<int64_t>(offset::DisplayedFrames, s.FDisplayedFrames);
    h.Put<int32_t>(offset::Width, s.FWidth);
    h.Put<int32_t>(offset::Height, s.FHeight);
    h.Put<uint32_t>(offset::BitRate, s.FBitRate);
    h.Put<int32_t>(offset::PictureCount, static_cast<int32_t>(RoundHalfEven(s.FPictureCount + 0.1)));
    h.Put<int32_t>(offset::SequenceEndCount, s.FSequenceEndCount);
    h.Put<int32_t>(offset::MinBitRate, static_cast<int32_t>(s.FMinBitRate));
    h.Put<int32_t>(offset::MaxBitRate, static_cast<int32_t>(s.FMaxBitRate));
    h.Put<int32_t>(offset::BitRateSum, static_cast<int32_t>(s.FBitRateSum));
    h.Put<uint8_t>(offset::PullDown, s.FPullDown ? 1 : 0);
    h.Put<uint32_t>(offset::FileSizeBlocks, static_cast<uint32_t>(s.FFileSize / kReaderBufferSize));
    if (Final) {
        h.Put<uint64_t>(offset::Stamp, CacheStamp(s.FLastWriteTime, s.FFileSize));
    }
    h.Put<int32_t>(offset::FieldCount, static_cast<int32_t>(s.FFieldCount));
    h.Put<int32_t>(offset::FrameCount, static_cast<int32_t>(RoundHalfEven(s.FPictureCount)));
    return h;
}

void ApplyCacheHeader(TM2VStream& s, const cache::TCacheHeader& h) {
    using namespace cache;
    s.FStartTimeCode = h.Get<TTimeCode>(offset::StartTimeCode);
    s.FMaxGopPictures = h.Get<int32_t>(offset::MaxGopPictures);
    s.FAspectRatio = h.Get<int32_t>(offset::AspectRatio);
    s.FPanScan = h.Get<uint8_t>(offset::PanScan) != 0;
    s.FVariableBitRate = h.Get<uint8_t>(offset::VariableBitRate) != 0;
    s.FMpegVersion = h.Get<int32_t>(offset::MpegVersion);
    s.FLine21Switch1 = h.Get<uint8_t>(offset::Line21Switch1) != 0;
    s.FLine21Switch2 = h.Get<uint8_t>(offset::Line21Switch2) != 0;
    s.FFrameRateCode = h.Get<int32_t>(offset::FrameRateCode);
    s.FDisplayedFrames = h.Get<int64_t>(offset::DisplayedFrames);
    s.FWidth = h.Get<int32_t>(offset::Width);
    s.FHeight = h.Get<int32_t>(offset::Height);
    s.FBitRate = h.Get<uint32_t>(offset::BitRate);
    s.FPictureCount = h.Get<int32_t>(offset::PictureCount);
    s.FSequenceEndCount = h.Get<int32_t>(offset::SequenceEndCount);
    s.FMinBitRate = h.Get<int32_t>(offset::MinBitRate);
    s.FMaxBitRate = h.Get<int32_t>(offset::MaxBitRate);
    s.FBitRateSum = h.Get<int32_t>(offset::BitRateSum);
    s.FPullDown = h.Get<uint8_t>(offset::PullDown) != 0;
    s.FFieldCount = h.Get<int32_t>(offset::FieldCount);
    s.FFrameCount = h.Get<int32_t>(offset::FrameCount);
}

}  // namespace velmora
