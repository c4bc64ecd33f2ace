// The names a shared library exports: what `nm -D --defined-only` lists for
// an ELF library, the export table's names for a Windows DLL.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

// The exported names, in the library's order; nullopt when the library
// cannot be read or listed.
std::optional<std::vector<std::string>> exported_names(const std::filesystem::path& library);

} // namespace qv::test
