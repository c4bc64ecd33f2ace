// Environment variables for tests, on every system: set, unset, and a guard
// that puts one variable back as it was. Names and values are UTF-8; the
// programs a test starts inherit them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qv::test {

// The variable's value; nullopt when it is not set.
std::optional<std::string> get_env(const std::string& name);
void unset_env(const std::string& name);
// Sets the variable. (On Windows an empty value unsets it: the system keeps
// no empty variables.)
void set_env(const std::string& name, const std::string& value);
inline void set_env(const std::string& name, const char* value) {
    set_env(name, std::string(value));
}
// A path, as the UTF-8 text the program reads back.
void set_env(const std::string& name, const std::filesystem::path& value);

// Keeps the variable's value at its making and puts it back at its end.
class EnvGuard {
  public:
    explicit EnvGuard(std::string name) : name_(std::move(name)), old_(get_env(name_)) {}
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() {
        if (old_) {
            set_env(name_, *old_);
        } else {
            unset_env(name_);
        }
    }

  private:
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace qv::test
