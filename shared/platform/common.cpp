// The platform layer's sequences, written once for every system on the
// small calls of detail.h.
#include "shared/platform/detail.h"

#include <algorithm>
#include <random>

namespace qv::platform {

namespace {

// A name beside `path` that no other writer picks.
std::string unique_temporary(const std::string& path) {
    thread_local std::mt19937 pick(std::random_device{}());
    std::string name = path + ".novo-";
    for (int i = 0; i < 6; ++i)
        name += detail::kTemporaryLetters[pick() % detail::kTemporaryLetters.size()];
    return name;
}

// Creates the temporary file exclusively, so a link planted at its name is
// never followed. A fixed name left by a crash is removed first (removing a
// link removes the link, not what it points to).
File create_temporary(const std::string& path, const ReplaceOptions& options, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = options.fixed_temporary_name ? path + ".novo" : unique_temporary(path);
        bool taken = false;
        File file = detail::create_exclusive(temp, options.owner_only, taken);
        if (file.is_open()) return file;
        if (!taken) break;
        if (options.fixed_temporary_name && (attempt > 0 || !detail::remove_file(temp))) break;
    }
    return {};
}

std::string find_executable_folder() {
    const std::string path = detail::executable_path();
    if (path.find_last_of(detail::kSeparators) == std::string::npos) return {};
    return folder_of(path);
}

// $variable when it is an absolute path (a test or a technician can move
// it), else the system's place for it.
std::string user_folder(const char* variable, detail::UserFolder which) {
    if (std::string folder = environment_variable(variable); is_absolute_path(folder))
        return folder;
    return detail::default_user_folder(which);
}

} // namespace

Fault detail::fault_of(long code, const FaultCodes& codes) {
    auto in = [code](std::span<const long> list) {
        return std::find(list.begin(), list.end(), code) != list.end();
    };
    if (code == 0) return Fault::none;
    if (in(codes.not_found)) return Fault::not_found;
    if (in(codes.no_access)) return Fault::no_access;
    if (in(codes.no_space)) return Fault::no_space;
    return Fault::other;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        (void)close();
        native_ = other.native_;
        other.native_ = kNone;
    }
    return *this;
}

std::optional<std::size_t> read_full(File& file, std::span<char> buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const std::optional<std::size_t> n = detail::read_some(file, buffer.subspan(got));
        if (!n) return std::nullopt;
        if (*n == 0) break;
        got += *n;
    }
    return got;
}

bool write_all(File& file, std::string_view data) {
    while (!data.empty()) {
        const std::optional<std::size_t> n = detail::write_some(file, data);
        if (!n) return false;
        data.remove_prefix(*n);
    }
    return true;
}

Fault replace_file(const std::string& path, std::string_view data, const ReplaceOptions& options) {
    auto tell = [&options](ReplaceStage stage) {
        if (options.observer != nullptr) options.observer(stage);
    };
    // Beside the old file, so the rename stays within one file system (one
    // volume) and replaces the old file in one step.
    std::string temp;
    File file = create_temporary(path, options, temp);
    if (!file.is_open()) return last_fault();
    tell(ReplaceStage::created);
    auto fail = [&temp, &file] {
        const Fault fault = last_fault();
        (void)file.close(); // Windows cannot remove a file still open
        (void)detail::remove_file(temp);
        return fault;
    };
    const std::size_t half = data.size() / 2;
    if (!write_all(file, data.substr(0, half))) return fail();
    tell(ReplaceStage::half_written);
    if (!write_all(file, data.substr(half))) return fail();
    tell(ReplaceStage::written);
    if (options.durable && !file.flush()) return fail();
    if (!file.close()) return fail();
    tell(ReplaceStage::flushed);
    if (!detail::rename_over(temp, path, options.durable)) return fail();
    tell(ReplaceStage::renamed);
    if (options.durable) detail::flush_folder(folder_of(path));
    return Fault::none;
}

std::optional<std::uint64_t> append_whole(const std::string& path, std::string_view data) {
    File file = File::open(path, Access::append_or_create);
    if (!file.is_open()) return std::nullopt;
    // The caller's lock keeps every other writer out meanwhile.
    const std::optional<std::uint64_t> before = file.size();
    if (!before) return std::nullopt;
    const bool written = write_all(file, data);
    if (!written) (void)file.truncate(*before);
    const bool closed = file.close();
    if (!written) return std::nullopt;
    if (!closed) {
        (void)detail::truncate_path(path, *before);
        return std::nullopt;
    }
    return before;
}

FolderLock::FolderLock(const std::string& folder) {
    (void)make_folders(folder); // a folder that cannot be made fails the open below
    file_ = File::open(folder + kFolderSeparator + ".trava", Access::lock);
    if (file_.is_open() && !detail::lock_whole(file_)) (void)file_.close();
}

std::string_view file_name_of(std::string_view path) {
    const std::size_t slash = path.find_last_of(detail::kSeparators);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string folder_of(std::string_view path) {
    const std::size_t slash = path.find_last_of(detail::kSeparators);
    if (slash == std::string_view::npos) return ".";
    return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

// The executable does not move while it runs: looked up once, not at each
// printer command.
std::string executable_folder() {
    static const std::string folder = find_executable_folder();
    return folder;
}

std::string user_state_folder() {
    return user_folder(detail::kStateVariable, detail::UserFolder::state);
}

std::string user_config_folder() {
    return user_folder(detail::kConfigVariable, detail::UserFolder::config);
}

} // namespace qv::platform
