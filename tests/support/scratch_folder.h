// Scratch folders for tests: a new folder of its own under the system's
// temporary folder, removed with everything in it at the end. Paths cross
// into the program as UTF-8 text on every system.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace qv::test {

// The path as UTF-8 text (what the program's interfaces take).
inline std::string utf8(const std::filesystem::path& p) {
    const std::u8string text = p.u8string();
    return {text.begin(), text.end()};
}
// The path named by UTF-8 text.
inline std::filesystem::path from_utf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

class ScratchFolder {
  public:
    // Named `prefix` and a random part; made for the owner only, as mkdtemp does.
    explicit ScratchFolder(std::string_view prefix = "qv-test") {
        namespace fs = std::filesystem;
        const fs::path base = fs::absolute(fs::temp_directory_path());
        std::random_device seed;
        std::mt19937_64 random(((std::uint64_t{seed()} << 32) | seed()));
        for (;;) {
            path_ = base / (std::string(prefix) + "-" + std::to_string(random()));
            if (fs::create_directory(path_)) break; // false: the name was taken
        }
        fs::permissions(path_, fs::perms::owner_all);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const { return path_; }
    std::string text() const { return utf8(path_); }

  private:
    std::filesystem::path path_;
};

} // namespace qv::test
