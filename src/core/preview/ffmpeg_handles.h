// Owners of FFmpeg's C objects, so every path out of a decode frees them.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace velmora {

struct TCodecContextFree {
    void operator()(AVCodecContext* Context) const { avcodec_free_context(&Context); }
};
struct TFrameFree {
    void operator()(AVFrame* Frame) const { av_frame_free(&Frame); }
};
struct TPacketFree {
    void operator()(AVPacket* Packet) const { av_packet_free(&Packet); }
};
struct TSwsContextFree {
    void operator()(SwsContext* Context) const { sws_freeContext(Context); }
};

using TCodecContext = std::unique_ptr<AVCodecContext, TCodecContextFree>;
using TFrame = std::unique_ptr<AVFrame, TFrameFree>;
using TPacket = std::unique_ptr<AVPacket, TPacketFree>;
using TSwsContext = std::unique_ptr<SwsContext, TSwsContextFree>;

}  // namespace velmora
