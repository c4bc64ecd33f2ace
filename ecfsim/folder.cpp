#include "ecfsim/folder.h"

#include <array>

namespace qv::ecfsim {
namespace fs = std::filesystem;

using platform::path_text;

fs::path simulator_dir() {
    if (const std::string dir = platform::environment_variable("ECFSIM_DIR"); !dir.empty())
        return platform::path_from_text(dir);
    return fs::path("ecf-simulado");
}

FileText read_file(const fs::path& path) {
    FileText f;
    platform::Fault fault = platform::Fault::none;
    platform::File file = platform::File::open(path_text(path), platform::Access::read, &fault);
    if (!file.is_open()) {
        f.unreadable = fault != platform::Fault::not_found;
        f.exists = f.unreadable;
        return f;
    }
    f.exists = true;
    std::array<char, 65536> buf{};
    for (;;) {
        const std::optional<std::size_t> n = platform::read_full(file, buf);
        if (!n || f.text.size() + *n > kMaxFileSize) {
            f.unreadable = true;
            f.text.clear();
            break;
        }
        f.text.append(buf.data(), *n);
        if (*n < buf.size()) break;
    }
    return f;
}

bool write_atomically(const fs::path& path, std::string_view text, bool durable) {
    platform::ReplaceOptions options;
    options.durable = durable;
    options.fixed_temporary_name = true; // the caller holds the folder's lock
    return platform::replace_file(path_text(path), text, options) == platform::Fault::none;
}

bool append_to(const fs::path& path, std::string_view text) {
    platform::File file = platform::File::open(path_text(path), platform::Access::append_or_create);
    if (!file.is_open()) return false;
    const bool ok = platform::write_all(file, text);
    return file.close() && ok;
}

std::optional<std::uintmax_t> append_whole(const fs::path& path, std::string_view text) {
    return platform::append_whole(path_text(path), text);
}

bool truncate_file(const fs::path& path, std::uintmax_t size) {
    std::error_code ec;
    fs::resize_file(path, size, ec);
    return !ec;
}

} // namespace qv::ecfsim
