#include "danfe/qr.h"

#include <qrencode.h>

#include <memory>
#include <string>

namespace qv::danfe::detail {

int module_dots(int modules, int paper_dots) {
    int dots = (kMinQrDots + modules - 1) / modules;
    while (dots > 1 && (modules + 2 * kQuietModules) * dots > paper_dots)
        --dots;
    return dots;
}

std::optional<Bitmap> qr_image(std::string_view text, int paper_dots) {
    if (text.empty()) return std::nullopt;
    // Byte mode: the text goes into the symbol as it is, whatever it holds.
    const std::string data(text);
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(data.size()),
                          reinterpret_cast<const unsigned char*>(data.data()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code) return std::nullopt;
    const int modules = code->width;
    const int dots = module_dots(modules, paper_dots);
    Bitmap image;
    image.width = (modules + 2 * kQuietModules) * dots;
    image.height = image.width;
    image.bits.assign(static_cast<std::size_t>(image.stride()) * image.height, 0);
    for (int my = 0; my < modules; ++my)
        for (int mx = 0; mx < modules; ++mx) {
            // Bit 0 of each module's byte: black.
            if ((code->data[my * modules + mx] & 1) == 0) continue;
            const int x0 = (mx + kQuietModules) * dots;
            const int y0 = (my + kQuietModules) * dots;
            for (int y = y0; y < y0 + dots; ++y)
                for (int x = x0; x < x0 + dots; ++x)
                    image.set(x, y);
        }
    return image;
}

} // namespace qv::danfe::detail
