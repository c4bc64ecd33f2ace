// The QR code of the note as a raster image for the printer.
#pragma once

#include "danfe/escpos.h"

#include <optional>
#include <string_view>

namespace qv::danfe::detail {

// At 203 dots per inch, 8 dots make a millimetre; the QR code is at least
// 25 mm wide on the paper.
inline constexpr int kDotsPerMm = 8;
inline constexpr int kMinQrDots = 25 * kDotsPerMm;
// The blank margin around the symbol that readers need, in modules.
inline constexpr int kQuietModules = 4;

// The dots of one module for a symbol `modules` wide: the fewest that make
// the symbol 25 mm wide, fewer only when the paper (`paper_dots`) cannot
// hold that with its quiet zone; never less than one.
int module_dots(int modules, int paper_dots);

// The QR code of `text` (error correction level M) with its quiet zone,
// sized for the paper; nullopt when the text is empty or too long for any QR
// code.
std::optional<Bitmap> qr_image(std::string_view text, int paper_dots);

} // namespace qv::danfe::detail
