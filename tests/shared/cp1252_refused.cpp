// Texts that must not compile as Windows-1252 literals; built one case at a
// time by check_cp1252_refused.cmake (case 0 must compile).
#include "shared/cp1252.h"

#include <string_view>

using namespace qv::literals;

#if CASE == 0
constexpr std::string_view kText = "Sem papel – não executado"_cp1252;
#elif CASE == 1
constexpr std::string_view kText = "日本"_cp1252; // CJK
#elif CASE == 2
constexpr std::string_view kText = "feito ✓"_cp1252; // a symbol beyond Windows-1252
#elif CASE == 3
constexpr std::string_view kText = "😀"_cp1252; // four bytes of UTF-8
#elif CASE == 4
constexpr std::string_view kText = "Ā"_cp1252; // just past Latin-1
#elif CASE == 5
constexpr std::string_view kText = "n\xE3o"_cp1252; // Windows-1252 where UTF-8 belongs
#elif CASE == 6
constexpr std::string_view kText = "\xC3"_cp1252; // cut short
#elif CASE == 7
constexpr std::string_view kText = "a\0b"_cp1252; // a NUL would cut the text short
#endif

int main() {
    return static_cast<int>(kText.size());
}
