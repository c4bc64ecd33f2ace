// The Windows facts the program keeps: where the driver log stands and the
// browser that opens the maker's web site (given the address).
#pragma once

#include <string_view>

namespace qv::platform::windows {

inline constexpr std::string_view kDriverLogPath = "C:\\Tornei\\Temp\\DARUMA.txt";
inline constexpr std::string_view kBrowserCommand =
    "C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE";

} // namespace qv::platform::windows
