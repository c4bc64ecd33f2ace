// The platform layer on POSIX systems.
#include "shared/platform/detail.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {

namespace {

int fd_of(std::intptr_t native) {
    return static_cast<int>(native);
}

std::string non_empty_env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

} // namespace

namespace detail {

File create_exclusive(const std::string& path, bool owner_only, bool& taken) {
    // O_EXCL never follows a link at the name.
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY;
    const int fd = ::open(path.c_str(), kFlags, owner_only ? 0600 : 0644);
    taken = fd < 0 && errno == EEXIST;
    return fd < 0 ? File() : File(fd);
}

bool remove_file(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool rename_over(const std::string& from, const std::string& to, bool /*durable*/) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void flush_folder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        (void)::close(dir);
    }
}

bool truncate_path(const std::string& path, std::uint64_t size) {
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

bool lock_whole(File& file) {
    while (::flock(fd_of(file.native()), LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

std::optional<std::size_t> read_some(File& file, std::span<char> buffer) {
    for (;;) {
        const ssize_t n = ::read(fd_of(file.native()), buffer.data(), buffer.size());
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return std::nullopt;
    }
}

std::optional<std::size_t> write_some(File& file, std::string_view data) {
    for (;;) {
        const ssize_t n = ::write(fd_of(file.native()), data.data(), data.size());
        if (n > 0) return static_cast<std::size_t>(n);
        if (n == 0) {
            errno = ENOSPC;
            return std::nullopt;
        }
        if (errno != EINTR) return std::nullopt;
    }
}

std::string executable_path() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return {buf, static_cast<std::size_t>(n)};
}

std::string default_user_folder(UserFolder which) {
    const std::string home = non_empty_env("HOME");
    if (home.empty()) return {};
    return home + (which == UserFolder::state ? "/.local/state" : "/.config");
}

} // namespace detail

std::string last_error_text() {
    return std::strerror(errno);
}

Fault last_fault() {
    static constexpr long kNotFound[] = {ENOENT};
    static constexpr long kNoAccess[] = {EACCES, EPERM, EROFS};
    static constexpr long kNoSpace[] = {ENOSPC, EFBIG, EDQUOT};
    return detail::fault_of(errno, {kNotFound, kNoAccess, kNoSpace});
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
    static constexpr long kNotFound[] = {ENOENT, ENOTDIR, ENAMETOOLONG};
    static constexpr long kNoAccess[] = {EACCES, EPERM};
    return detail::fault_of(errno, {kNotFound, kNoAccess, {}});
}

File File::standard_input() {
    return File(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0));
}

File File::standard_output() {
    return File(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
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

bool File::others_may_access() const {
    struct stat st {};
    return ::fstat(fd_of(native_), &st) != 0 || (st.st_mode & (S_IRWXG | S_IRWXO)) != 0;
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

bool make_folders(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return !error;
}

std::string path_text(const std::filesystem::path& path) {
    return path.string();
}

std::filesystem::path path_from_text(std::string_view text) {
    return std::filesystem::path(text);
}

std::vector<std::string> program_library_folders(const std::string& exe_folder) {
    return {exe_folder, exe_folder + "/../lib/quiterval", exe_folder + "/../lib"};
}

// A program under /usr keeps it in /etc, as Linux programs do.
std::string program_system_config_folder(const std::string& exe_folder) {
    constexpr std::string_view kTail = "/etc/quiterval";
    if (exe_folder.empty() || exe_folder == "/") return std::string(kTail);
    std::string prefix = exe_folder.substr(0, exe_folder.rfind('/'));
    if (file_name_of(prefix) == "usr") prefix = prefix.substr(0, prefix.rfind('/'));
    return prefix.append(kTail);
}

std::string driver_log_default_path() {
    const std::string state = user_state_folder();
    return state.empty() ? std::string() : state + "/quiterval/DARUMA.txt";
}

std::string web_browser_command_line(std::string_view address) {
    return "xdg-open https://" + std::string(address);
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
