// Decoded frames and RGB images converted and scaled with swscale.
#pragma once

#include "preview/ffmpeg_handles.h"
#include "preview/rgb_image.h"

namespace velmora {

// Frame (any pixel format the decoder gives) as RGB of the same size.
TRgbImage FrameToRgb(const AVFrame& Frame);

}  // namespace velmora
