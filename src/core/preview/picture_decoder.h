// The preview's decoder: one picture of an analysed stream as an RGB image.
#pragma once

#include <cstdint>
#include <memory>

#include "analysis/header_list.h"
#include "preview/rgb_image.h"
#include "preview/stream_reader.h"

namespace velmora {

class IPictureDecoder {
  public:
    virtual ~IPictureDecoder() = default;
    // The picture whose header is entry Index of Headers, the list the analyser made of the stream
    // being read. Throws EPreviewError with the reason when it can not be decoded.
    virtual TRgbImage DecodePicture(const THeaderList& Headers, int64_t Index) = 0;
};

// A decoder reading Stream, which must outlive it.
std::unique_ptr<IPictureDecoder> MakePictureDecoder(IElementaryStreamReader& Stream);

// Image scaled to Width pixels wide, its height in the same proportion (at least 1).
TRgbImage ScaleToWidth(const TRgbImage& Image, int Width);

}  // namespace velmora
