#include "tests/support/environment.h"

namespace qv::test {

// The system's half (get_env, unset_env, set_env of text) is in
// environment_posix.cpp and environment_windows.cpp.

void set_env(const std::string& name, const std::filesystem::path& value) {
    const std::u8string text = value.u8string();
    set_env(name, std::string(text.begin(), text.end()));
}

} // namespace qv::test
