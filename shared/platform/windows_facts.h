// The Windows facts the program keeps: where the driver log stands and how
// the maker's web site is opened (the browser, maximised, with the address).
#pragma once

#include <string_view>

namespace qv::platform::windows {

inline constexpr std::string_view kDriverLogPath = "C:\\Tornei\\Temp\\DARUMA.txt";
inline constexpr std::string_view kBrowserCommand =
    "C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE";
inline constexpr bool kBrowserMaximised = true;

} // namespace qv::platform::windows
