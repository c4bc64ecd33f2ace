#include "ecfsim/folder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::ecfsim {
namespace fs = std::filesystem;

namespace {

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

fs::path simulator_dir() {
    if (const char* dir = std::getenv("ECFSIM_DIR"); dir != nullptr && *dir != '\0')
        return fs::path(dir);
    return fs::path("ecf-simulado");
}

FileText read_file(const fs::path& path) {
    FileText f;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        f.unreadable = errno != ENOENT;
        f.exists = f.unreadable;
        return f;
    }
    f.exists = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || f.text.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
            f.unreadable = true;
            f.text.clear();
            break;
        }
        if (n == 0) break;
        f.text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return f;
}

bool write_atomically(const fs::path& path, std::string_view text, bool durable) {
    fs::path temp = path;
    temp += ".novo";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = write_all(fd, text) && (!durable || ::fsync(fd) == 0);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    if (!durable) return true;
    // make the rename itself durable
    const int dir = ::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool append_to(const fs::path& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = write_all(fd, text);
    return ::close(fd) == 0 && ok;
}

std::optional<std::uintmax_t> append_whole(const fs::path& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return std::nullopt;
    // The folder's lock keeps every other writer out meanwhile.
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    const auto before = static_cast<std::uintmax_t>(st.st_size);
    const bool written = write_all(fd, text);
    if (!written) (void)::ftruncate(fd, st.st_size);
    const bool closed = ::close(fd) == 0;
    if (!written) return std::nullopt;
    if (!closed) {
        (void)truncate_file(path, before);
        return std::nullopt;
    }
    return before;
}

bool truncate_file(const fs::path& path, std::uintmax_t size) {
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

FolderLock::FolderLock(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    fd_ = ::open((dir / ".trava").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
}

} // namespace qv::ecfsim
