#include "tests/support/environment.h"

#include <cstdlib>

#ifdef _WIN32
#include "tests/support/wide_text.h"

#include <windows.h>
#endif

namespace qv::test {

#ifdef _WIN32

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

#else

std::optional<std::string> get_env(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}

void unset_env(const std::string& name) {
    ::unsetenv(name.c_str());
}

void set_env(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

#endif

void set_env(const std::string& name, const std::filesystem::path& value) {
    const std::u8string text = value.u8string();
    set_env(name, std::string(text.begin(), text.end()));
}

} // namespace qv::test
