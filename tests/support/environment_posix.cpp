// Environment variables on POSIX systems: the C library's own environment is
// what programs started later inherit.
#include "tests/support/environment.h"

#include <cstdlib>

namespace qv::test {

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

} // namespace qv::test
