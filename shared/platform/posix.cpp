// The platform layer on POSIX systems.
#include "shared/platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <limits.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {

namespace {

int fd_of(std::intptr_t native) {
    return static_cast<int>(native);
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string non_empty_env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// $variable when it is an absolute path, else $HOME/`fallback`.
std::string xdg_folder(const char* variable, const char* fallback) {
    std::string folder = non_empty_env(variable);
    if (folder.starts_with('/')) return folder;
    const std::string home = non_empty_env("HOME");
    return home.empty() ? std::string() : home + "/" + fallback;
}

// A name beside `path` that no other writer picks.
std::string unique_temporary(const std::string& path) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 pick(std::random_device{}());
    std::string name = path + ".novo-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[pick() % (sizeof kLetters - 1)];
    return name;
}

// Creates the temporary file exclusively: O_EXCL never follows a link at
// the name. A fixed name left by a crash is removed first (removing a link
// removes the link, not what it points to).
File create_temporary(const std::string& path, const ReplaceOptions& options, std::string& temp) {
    const mode_t mode = options.owner_only ? 0600 : 0644;
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = options.fixed_temporary_name ? path + ".novo" : unique_temporary(path);
        const int fd = ::open(temp.c_str(), kFlags, mode);
        if (fd >= 0) return File(fd);
        if (errno != EEXIST) break;
        if (options.fixed_temporary_name && (attempt > 0 || ::unlink(temp.c_str()) != 0)) break;
    }
    return {};
}

} // namespace

std::string last_error_text() {
    return std::strerror(errno);
}

Fault last_fault() {
    switch (errno) {
    case 0:
        return Fault::none;
    case ENOENT:
        return Fault::not_found;
    case EACCES:
    case EPERM:
    case EROFS:
        return Fault::no_access;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return Fault::no_space;
    default:
        return Fault::other;
    }
}

File File::open(const std::string& path, Access access, Fault* fault) {
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK; // a FIFO never hangs the caller
    switch (access) {
    case Access::read:
        flags |= O_RDONLY;
        break;
    case Access::append:
        flags |= O_WRONLY | O_APPEND;
        break;
    case Access::append_or_create:
        flags |= O_WRONLY | O_APPEND | O_CREAT;
        break;
    case Access::create_new:
        flags |= O_WRONLY | O_CREAT | O_EXCL;
        break;
    case Access::lock:
        flags |= O_RDWR | O_CREAT;
        break;
    }
    const int fd = ::open(path.c_str(), flags, access == Access::create_new ? 0666 : 0644);
    if (fd < 0 && fault != nullptr) *fault = last_fault();
    return fd < 0 ? File() : File(fd);
}

Fault probe_file(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        (void)::close(fd); // the outcome of the close is of no interest
        return Fault::none;
    }
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return Fault::not_found;
    case EACCES:
    case EPERM:
        return Fault::no_access;
    default:
        return Fault::other;
    }
}

File File::standard_input() {
    return File(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0));
}

File File::standard_output() {
    return File(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        (void)close();
        native_ = other.native_;
        other.native_ = kNone;
    }
    return *this;
}

bool File::close() {
    if (native_ == kNone) return true;
    const int fd = fd_of(native_);
    native_ = kNone;
    return ::close(fd) == 0;
}

bool File::is_regular() const {
    struct stat st {};
    return ::fstat(fd_of(native_), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::uint64_t> File::size() const {
    struct stat st {};
    if (::fstat(fd_of(native_), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool File::truncate(std::uint64_t size) {
    return ::ftruncate(fd_of(native_), static_cast<off_t>(size)) == 0;
}

bool File::flush() {
    return ::fsync(fd_of(native_)) == 0;
}

std::optional<std::size_t> read_full(File& file, std::span<char> buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd_of(file.native()), buffer.data() + got, buffer.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

bool write_all(File& file, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd_of(file.native()), data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

Fault replace_file(const std::string& path, std::string_view data, const ReplaceOptions& options) {
    auto tell = [&options](ReplaceStage stage) {
        if (options.observer != nullptr) options.observer(stage);
    };
    // Beside the old file, so the rename stays within one file system and
    // replaces the old file in one step.
    std::string temp;
    File file = create_temporary(path, options, temp);
    if (!file.is_open()) return last_fault();
    tell(ReplaceStage::created);
    auto fail = [&temp] {
        const Fault fault = last_fault();
        (void)::unlink(temp.c_str());
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
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail();
    tell(ReplaceStage::renamed);
    if (options.durable) {
        // Makes the rename itself durable; the data is safe either way.
        const int dir = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            (void)::fsync(dir);
            (void)::close(dir);
        }
    }
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
        (void)::truncate(path.c_str(), static_cast<off_t>(*before));
        return std::nullopt;
    }
    return before;
}

FolderLock::FolderLock(const std::string& folder) {
    std::error_code ignored; // a folder that cannot be made fails the open below
    std::filesystem::create_directories(folder, ignored);
    file_ = File::open(folder + "/.trava", Access::lock);
    if (!file_.is_open()) return;
    while (::flock(fd_of(file_.native()), LOCK_EX) != 0) {
        if (errno != EINTR) {
            (void)file_.close();
            return;
        }
    }
}

void* load_library(const std::string& path, std::string& error) {
    void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* e = ::dlerror();
        error = e != nullptr ? e : "dlopen";
    }
    return h;
}

void* find_function(void* library, const char* name) {
    return ::dlsym(library, name);
}

bool is_absolute_path(std::string_view path) {
    return path.starts_with('/');
}

std::string environment_variable(const char* name) {
    return non_empty_env(name);
}

std::string executable_folder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return folder_of(std::string(buf, static_cast<std::size_t>(n)));
}

std::string user_state_folder() {
    return xdg_folder("XDG_STATE_HOME", ".local/state");
}

std::string user_config_folder() {
    return xdg_folder("XDG_CONFIG_HOME", ".config");
}

LocalTime local_time_now() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    const std::time_t secs = ts.tv_sec;
    std::tm local{};
    ::localtime_r(&secs, &local);
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(ts.tv_nsec / 10'000'000)};
}

} // namespace qv::platform
