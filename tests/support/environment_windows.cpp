// Environment variables on Windows, in UTF-16 so that any UTF-8 value comes
// back as it went in.
#include "tests/support/environment.h"
#include "tests/support/wide_text.h"

#include <cstdlib>
#include <windows.h>

namespace qv::test {

std::optional<std::string> get_env(const std::string& name) {
    const wchar_t* v = ::_wgetenv(wide(name).c_str());
    if (v == nullptr) return std::nullopt;
    return narrow(v);
}

// The runtime's copy (what getenv reads) and the process's own block (what
// child processes inherit) are changed together.
void unset_env(const std::string& name) {
    ::_wputenv_s(wide(name).c_str(), L"");
    ::SetEnvironmentVariableW(wide(name).c_str(), nullptr);
}

void set_env(const std::string& name, const std::string& value) {
    if (value.empty()) return unset_env(name);
    ::_wputenv_s(wide(name).c_str(), wide(value).c_str());
    ::SetEnvironmentVariableW(wide(name).c_str(), wide(value).c_str());
}

} // namespace qv::test
