// The preview's decoder on FFmpeg's libavcodec: the pictures a decode plan feeds, one packet per
// frame, each tagged with its frame's list index so the wanted one is known when it comes out.
#include <algorithm>
#include <string>
#include <vector>

#include "preview/decode_plan.h"
#include "preview/ffmpeg_handles.h"
#include "preview/picture_decoder.h"
#include "preview/picture_units.h"
#include "preview/preview_error.h"
#include "preview/rgb_convert.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace velmora {
namespace {

std::string ErrorText(int Code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(Code, text, sizeof text);
    return text;
}

TCodecContext OpenDecoder() {
    // The decoder's own log lines would clutter a terminal; its failures come back as messages.
    av_log_set_level(AV_LOG_QUIET);
    // The MPEG-2 decoder reads MPEG-1 video as well.
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
    if (codec == nullptr) {
        throw EPreviewError("This build of libavcodec has no MPEG-2 video decoder.");
    }
    TCodecContext context(avcodec_alloc_context3(codec));
    if (!context) {
        throw EPreviewError("Can not start the video decoder: out of memory.");
    }
    context->thread_type = FF_THREAD_SLICE;
    context->thread_count = 0;
    if (const int error = avcodec_open2(context.get(), codec, nullptr); error < 0) {
        throw EPreviewError("Can not start the video decoder: " + ErrorText(error));
    }
    return context;
}

class TFfmpegPictureDecoder : public IPictureDecoder {
  public:
    explicit TFfmpegPictureDecoder(IElementaryStreamReader& Stream) : stream_(Stream) {}

    TRgbImage DecodePicture(const THeaderList& Headers, int64_t Index) override {
        const TDecodePlan plan = PlanPictureDecode(Headers, Index);
        const std::vector<TFrameUnit> units = FindFrameUnits(stream_, plan);
        TCodecContext context = OpenDecoder();
        const TPacket packet(av_packet_alloc());
        TFrame frame(av_frame_alloc());
        if (!packet || !frame) {
            throw EPreviewError("Can not decode the picture: out of memory.");
        }
        TDecoded decoded{plan.FrameEntry, {}, -1};
        for (const TFrameUnit& unit : units) {
            const std::vector<uint8_t> bytes = ReadFrameUnit(stream_, unit);
            if (av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0) {
                throw EPreviewError("Can not decode the picture: out of memory.");
            }
            std::copy(bytes.begin(), bytes.end(), packet->data);
            packet->pts = unit.FrameEntry;
            const int error = avcodec_send_packet(context.get(), packet.get());
            av_packet_unref(packet.get());
            if (error < 0) {
                throw EPreviewError(Which(unit, plan) + " can not be decoded: " + ErrorText(error) + ".");
            }
            Receive(*context, frame, decoded);
        }
        if (const int error = avcodec_send_packet(context.get(), nullptr); error < 0) {
            throw EPreviewError("Can not decode the picture: " + ErrorText(error) + ".");
        }
        Receive(*context, frame, decoded);
        // Every fed picture is the wanted one or a reference it depends on.
        for (const TFrameUnit& unit : units) {
            if (unit.FrameEntry == decoded.FirstDamaged) {
                throw EPreviewError(Which(unit, plan) +
                                    " is damaged: the decoder could only conceal its errors.");
            }
        }
        if (!decoded.Wanted) {
            throw EPreviewError("The decoder gave no picture for it: a picture it depends on is missing.");
        }
        return FrameToRgb(*decoded.Wanted);
    }

  private:
    struct TDecoded {
        int64_t WantedEntry;
        TFrame Wanted;
        int64_t FirstDamaged;  // tag of the first frame that came out with concealed errors, or -1
    };

    static std::string Which(const TFrameUnit& Unit, const TDecodePlan& Plan) {
        const std::string picture = "The picture at position " + std::to_string(Unit.Position);
        return Unit.FrameEntry == Plan.FrameEntry ? picture : picture + ", which this one depends on,";
    }

    // Takes every frame the decoder has ready, keeping the wanted one and noting damage.
    static void Receive(AVCodecContext& Context, TFrame& Frame, TDecoded& Decoded) {
        for (;;) {
            const int error = avcodec_receive_frame(&Context, Frame.get());
            if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) {
                return;
            }
            if (error < 0) {
                throw EPreviewError("Can not decode the picture: " + ErrorText(error) + ".");
            }
            if (Decoded.FirstDamaged < 0 &&
                (Frame->decode_error_flags != 0 || (Frame->flags & AV_FRAME_FLAG_CORRUPT) != 0)) {
                Decoded.FirstDamaged = Frame->pts;
            }
            if (Frame->pts == Decoded.WantedEntry) {
                Decoded.Wanted = std::move(Frame);
                Frame.reset(av_frame_alloc());
                if (!Frame) {
                    throw EPreviewError("Can not decode the picture: out of memory.");
                }
            } else {
                av_frame_unref(Frame.get());
            }
        }
    }

    IElementaryStreamReader& stream_;
};

}  // namespace

std::unique_ptr<IPictureDecoder> MakePictureDecoder(IElementaryStreamReader& Stream) {
    return std::make_unique<TFfmpegPictureDecoder>(Stream);
}

}  // namespace velmora
