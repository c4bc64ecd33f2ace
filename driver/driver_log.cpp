#include "driver/driver_log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv::driver {

namespace {

constexpr std::size_t kLineWidth = 80;

std::string line(std::string_view text) {
    std::string l(text.substr(0, kLineWidth));
    l.resize(kLineWidth, ' ');
    l += '\n';
    return l;
}

struct Now {
    std::tm local{};
    long hundredths = 0;
};

Now now() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    Now n;
    const std::time_t secs = ts.tv_sec;
    ::localtime_r(&secs, &n.local);
    n.hundredths = ts.tv_nsec / 10'000'000;
    return n;
}

std::string two(long v) {
    char b[3] = {static_cast<char>('0' + (v / 10) % 10), static_cast<char>('0' + v % 10), '\0'};
    return b;
}

// The log opened for appending, only when it is a regular file: a FIFO, a
// device or a folder under the log's name is ignored like an unwritable log
// (opening without blocking, so a FIFO nobody reads cannot hang the command).
std::FILE* open_for_append(const std::string& path) {
#ifdef _WIN32
    return std::fopen(path.c_str(), "ab");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        (void)::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "ab");
    if (f == nullptr) (void)::close(fd);
    return f;
#endif
}

std::string non_empty_env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

} // namespace

std::string log_path() {
#ifdef _WIN32
    return "C:\\Tornei\\Temp\\DARUMA.txt";
#else
    if (std::string p = non_empty_env("QUITERVAL_DRIVER_LOG"); !p.empty()) return p;
    std::string state = non_empty_env("XDG_STATE_HOME");
    if (state.empty() || state[0] != '/') {
        const std::string home = non_empty_env("HOME");
        if (home.empty()) return {};
        state = home + "/.local/state";
    }
    const std::string folder = state + "/quiterval";
    std::error_code ignored; // an unwritable folder just means no log
    std::filesystem::create_directories(folder, ignored);
    return folder + "/DARUMA.txt";
#endif
}

void write_log_entry(std::string_view command, std::string_view status, std::string_view message) {
    const std::string path = log_path();
    if (path.empty()) return;
    std::FILE* f = open_for_append(path);
    if (f == nullptr) {
        // Could not append (the file may be missing): create it empty, then
        // append to it. "x" never truncates a log that exists after all.
        if (std::FILE* created = std::fopen(path.c_str(), "wbx")) (void)std::fclose(created);
        f = open_for_append(path);
        if (f == nullptr) return;
    }
    std::string entry = line(std::string(kLineWidth, '-'));
    // One reading for both lines: an entry written across midnight must not
    // pair one day's date with the next day's time.
    const Now at = now();
    entry += line(two(at.local.tm_year % 100) + two(at.local.tm_mon + 1) + two(at.local.tm_mday));
    entry += line(two(at.local.tm_hour) + two(at.local.tm_min) + two(at.local.tm_sec) +
                  two(at.hundredths));
    entry += line(command);
    entry += line(status);
    entry += line(message);
    (void)std::fwrite(entry.data(), 1, entry.size(),
                      f); // a short write is ignored, as any log failure
    (void)std::fclose(f);
}

} // namespace qv::driver
