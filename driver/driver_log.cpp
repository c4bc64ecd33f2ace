#include "driver/driver_log.h"

#include "shared/platform/platform.h"

namespace qv::driver {

namespace {

constexpr std::size_t kLineWidth = 80;

std::string line(std::string_view text) {
    std::string l(text.substr(0, kLineWidth));
    l.resize(kLineWidth, ' ');
    l += '\n';
    return l;
}

std::string two(long v) {
    char b[3] = {static_cast<char>('0' + (v / 10) % 10), static_cast<char>('0' + v % 10), '\0'};
    return b;
}

// The log opened for appending, only when it is a regular file: a FIFO, a
// device or a folder under the log's name is ignored like an unwritable log
// (opened without blocking, so a FIFO nobody reads cannot hang the command).
platform::File open_for_append(const std::string& path) {
    platform::File f = platform::File::open(path, platform::Access::append);
    if (f.is_open() && !f.is_regular()) (void)f.close();
    return f;
}

} // namespace

std::string log_path() {
    if (std::string p = platform::environment_variable("QUITERVAL_DRIVER_LOG"); !p.empty())
        return p;
    std::string path = platform::driver_log_default_path();
    // An unwritable folder just means no log.
    if (!path.empty()) (void)platform::make_folders(platform::folder_of(path));
    return path;
}

void write_log_entry(std::string_view command, std::string_view status, std::string_view message) {
    const std::string path = log_path();
    if (path.empty()) return;
    platform::File f = open_for_append(path);
    if (!f.is_open()) {
        // Could not append (the file may be missing): create it empty, then
        // append to it. Creating never truncates a log that exists after all.
        (void)platform::File::open(path, platform::Access::create_new);
        f = open_for_append(path);
        if (!f.is_open()) return;
    }
    std::string entry = line(std::string(kLineWidth, '-'));
    // One reading for both lines: an entry written across midnight must not
    // pair one day's date with the next day's time.
    const platform::LocalTime at = platform::local_time_now();
    entry += line(two(at.year % 100) + two(at.month) + two(at.day));
    entry += line(two(at.hour) + two(at.minute) + two(at.second) + two(at.hundredths));
    entry += line(command);
    entry += line(status);
    entry += line(message);
    (void)platform::write_all(f, entry); // a failed write is ignored, as any log failure
}

} // namespace qv::driver
