// The maker's own details, shown by the program and printed by the driver.
#pragma once

#include <string_view>

namespace qv {

// Opened by a click on the logo and printed on the X reading's message line.
inline constexpr std::string_view kMakerWebAddress = "www.quiterval.com.br";

} // namespace qv
