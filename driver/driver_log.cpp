#include "driver/driver_log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

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
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (f == nullptr) {
        // Could not append (the file may be missing): create it empty, then
        // append to it. "x" never truncates a log that exists after all.
        if (std::FILE* created = std::fopen(path.c_str(), "wbx")) (void)std::fclose(created);
        f = std::fopen(path.c_str(), "ab");
        if (f == nullptr) return;
    }
    std::string entry = line(std::string(kLineWidth, '-'));
    const Now d = now();
    entry += line(two(d.local.tm_year % 100) + two(d.local.tm_mon + 1) + two(d.local.tm_mday));
    const Now t = now();
    entry +=
        line(two(t.local.tm_hour) + two(t.local.tm_min) + two(t.local.tm_sec) + two(t.hundredths));
    entry += line(command);
    entry += line(status);
    entry += line(message);
    (void)std::fwrite(entry.data(), 1, entry.size(),
                      f); // a short write is ignored, as any log failure
    (void)std::fclose(f);
}

} // namespace qv::driver
