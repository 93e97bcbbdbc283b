#include "preview/png_file.h"

#include <png.h>

#include "preview/preview_error.h"

namespace velmora {
namespace {

// The simplified interface keeps its state in png_image; this frees it on every path.
class TPngImage {
  public:
    explicit TPngImage(const TRgbImage& Image) {
        image_.version = PNG_IMAGE_VERSION;
        image_.width = static_cast<png_uint_32>(Image.Width);
        image_.height = static_cast<png_uint_32>(Image.Height);
        image_.format = PNG_FORMAT_RGB;
    }
    ~TPngImage() { png_image_free(&image_); }
    TPngImage(const TPngImage&) = delete;
    TPngImage& operator=(const TPngImage&) = delete;

    png_image* get() { return &image_; }
    std::string Error() const { return image_.message; }

  private:
    png_image image_{};
};

}  // namespace

std::string EncodePng(const TRgbImage& Image) {
    if (Image.Width < 1 || Image.Height < 1 ||
        Image.Pixels.size() != static_cast<size_t>(Image.Width) * static_cast<size_t>(Image.Height) * 3) {
        throw EPreviewError("Can not write an empty picture as PNG.");
    }
    TPngImage png(Image);
    png_alloc_size_t size = 0;
    // The first call only measures.
    if (!png_image_write_to_memory(png.get(), nullptr, &size, 0, Image.Pixels.data(), 0, nullptr)) {
        throw EPreviewError("Can not encode the PNG: " + png.Error());
    }
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(png.get(), bytes.data(), &size, 0, Image.Pixels.data(), 0, nullptr)) {
        throw EPreviewError("Can not encode the PNG: " + png.Error());
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace velmora
