#include "thermalsim/thermal.h"

#include <png.h>

namespace qv::thermalsim {

std::string png(const Paper& paper) {
    if (paper.width <= 0 || paper.height <= 0) return {};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(paper.width);
    image.height = static_cast<png_uint_32>(paper.height);
    image.format = PNG_FORMAT_GRAY;
    png_alloc_size_t size = 0;
    // Asked once for the size, then written.
    if (png_image_write_to_memory(&image, nullptr, &size, 0, paper.grey.data(), 0, nullptr) == 0)
        return {};
    std::string out(size, '\0');
    if (png_image_write_to_memory(&image, out.data(), &size, 0, paper.grey.data(), 0, nullptr) == 0)
        return {};
    out.resize(size);
    return out;
}

} // namespace qv::thermalsim
