#include "preview/rgb_convert.h"

#include <algorithm>
#include <string>

#include "preview/picture_decoder.h"
#include "preview/preview_error.h"

namespace velmora {
namespace {

// Far beyond any MPEG-2 picture; keeps a mistyped width from asking for gigabytes.
constexpr int64_t kMaxScaledSide = 16384;

// swscale's own fast conversion (the one ffmpeg uses by default): exact rounding and full-resolution
// chroma take its slow paths, several times the decode of a whole GOP at 1920x1080.
constexpr int kScaleFlags = SWS_BICUBIC;

// Converts Height rows of Source (planes and strides of Format) into Image, scaling to its size. A
// YUV source uses the matrix its stream names (Colour), BT.601 where it names none.
void Convert(const uint8_t* const Source[], const int Strides[], int Width, int Height, AVPixelFormat Format,
             const AVFrame* Colour, TRgbImage& Image) {
    const TSwsContext scaler(sws_getContext(Width, Height, Format, Image.Width, Image.Height,
                                            AV_PIX_FMT_RGB24, kScaleFlags, nullptr, nullptr, nullptr));
    if (!scaler) {
        throw EPreviewError("Can not convert the decoded picture to RGB.");
    }
    if (Colour != nullptr) {
        const int matrix = Colour->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : Colour->colorspace;
        sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(matrix),
                                 Colour->color_range == AVCOL_RANGE_JPEG, sws_getCoefficients(SWS_CS_DEFAULT),
                                 1, 0, 1 << 16, 1 << 16);
    }
    Image.Pixels.resize(static_cast<size_t>(Image.Width) * static_cast<size_t>(Image.Height) * 3);
    uint8_t* const target[] = {Image.Pixels.data()};
    const int targetStride[] = {Image.Width * 3};
    sws_scale(scaler.get(), Source, Strides, 0, Height, target, targetStride);
}

}  // namespace

TRgbImage FrameToRgb(const AVFrame& Frame) {
    TRgbImage image;
    image.Width = Frame.width;
    image.Height = Frame.height;
    Convert(Frame.data, Frame.linesize, Frame.width, Frame.height, static_cast<AVPixelFormat>(Frame.format),
            &Frame, image);
    return image;
}

TRgbImage ScaleToWidth(const TRgbImage& Image, int Width) {
    if (Width < 1 || Width > kMaxScaledSide || Image.Width < 1 || Image.Height < 1 ||
        int64_t{Image.Height} * Width / Image.Width > kMaxScaledSide) {
        throw EPreviewError("Can not scale a picture to " + std::to_string(Width) + " pixels wide.");
    }
    TRgbImage scaled;
    scaled.Width = Width;
    const int64_t height = (int64_t{Image.Height} * Width + Image.Width / 2) / Image.Width;
    scaled.Height = static_cast<int>(std::max<int64_t>(1, height));
    const uint8_t* const source[] = {Image.Pixels.data()};
    const int sourceStride[] = {Image.Width * 3};
    Convert(source, sourceStride, Image.Width, Image.Height, AV_PIX_FMT_RGB24, nullptr, scaled);
    return scaled;
}

}  // namespace velmora
