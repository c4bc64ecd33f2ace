#include "ecfsim/clock.h"

#include "shared/platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace qv::ecfsim {
namespace {

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

// Reads exactly `width` digits at `at`; -1 when any is not a digit.
int number(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size()) return -1;
    int v = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string two(int v) {
    char buf[8];
    (void)std::snprintf(buf, sizeof buf, "%02d", v % 100);
    return buf;
}

} // namespace

std::string Date::iso() const {
    if (empty()) return {};
    return std::to_string(year) + "-" + two(month) + "-" + two(day);
}

std::string Date::printed() const {
    return two(day) + "/" + two(month) + "/" + std::to_string(year);
}

std::string Moment::iso() const {
    if (date.empty()) return {};
    return date.iso() + " " + two(hour) + ":" + two(minute) + ":" + two(second);
}

std::string Moment::printed() const {
    return date.printed() + " " + two(hour) + ":" + two(minute) + ":" + two(second);
}

std::optional<Date> parse_date(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const Date d{number(text, 0, 4), number(text, 5, 2), number(text, 8, 2)};
    if (d.year < 2000 || d.year > 2099 || d.month < 1 || d.month > 12 || d.day < 1 ||
        d.day > days_in_month(d.year, d.month))
        return std::nullopt;
    return d;
}

std::optional<Moment> parse_moment(std::string_view text) {
    if (text.size() != 19 || (text[10] != ' ' && text[10] != 'T') || text[13] != ':' ||
        text[16] != ':')
        return std::nullopt;
    const auto d = parse_date(text.substr(0, 10));
    if (!d) return std::nullopt;
    const Moment m{*d, number(text, 11, 2), number(text, 14, 2), number(text, 17, 2)};
    if (m.hour < 0 || m.hour > 23 || m.minute < 0 || m.minute > 59 || m.second < 0 || m.second > 59)
        return std::nullopt;
    return m;
}

std::optional<Moment> clock_now() {
    if (const std::string fixed = platform::environment_variable("ECFSIM_NOW"); !fixed.empty())
        return parse_moment(fixed);
    const platform::LocalTime local = platform::local_time_now();
    Moment m{{local.year, local.month, local.day},
             local.hour,
             local.minute,
             local.second > 59 ? 59 : local.second}; // a leap second
    if (m.date.year < 2000 || m.date.year > 2099) return std::nullopt;
    return m;
}

} // namespace qv::ecfsim
