// RGB images as PNG bytes (libpng's simplified interface), for thumbnails written to files.
#pragma once

#include <string>

#include "preview/rgb_image.h"

namespace velmora {

// Image as a complete PNG file. Throws EPreviewError with libpng's reason when it can not be encoded.
std::string EncodePng(const TRgbImage& Image);

}  // namespace velmora
