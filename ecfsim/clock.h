// The simulated printer's clock: the system's local time, or the moment
// named by ECFSIM_NOW so that tests and training can stand on any day.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace qv::ecfsim {

struct Date {
    int year = 0; // 0: no date
    int month = 0;
    int day = 0;

    bool empty() const { return year == 0; }
    // clang-tidy 14 mistakes the defaulted comparison's literal 0 for a null pointer
    friend auto operator<=>(const Date&, const Date&) = default; // NOLINT(modernize-use-nullptr)
    // "2026-12-07"; empty text for no date.
    std::string iso() const;
    // "07/12/2026", as printed on the tape.
    std::string printed() const;
};

struct Moment {
    Date date;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // clang-tidy 14 mistakes the defaulted comparison's literal 0 for a null pointer
    friend auto operator<=>(const Moment&,
                            const Moment&) = default; // NOLINT(modernize-use-nullptr)
    // "2026-12-07 21:40:05"; empty text when the date is empty.
    std::string iso() const;
    // "07/12/2026 21:40:05", as printed on the tape.
    std::string printed() const;
};

// "AAAA-MM-DD", a real calendar date from year 2000 to 2099.
std::optional<Date> parse_date(std::string_view text);
// "AAAA-MM-DD HH:MM:SS" (or with a "T" between date and time).
std::optional<Moment> parse_moment(std::string_view text);

// The printer's clock now: ECFSIM_NOW when set, else the local time.
// nullopt when ECFSIM_NOW is set but not a valid moment.
std::optional<Moment> clock_now();

} // namespace qv::ecfsim
