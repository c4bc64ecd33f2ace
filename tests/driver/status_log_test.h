// What the driver log's tests share, in the portable file and in each
// system's own: the refusal's status text and the check of one log entry.
#pragma once

#include "driver_fixture.h"
#include "shared/cp1252.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace qv::driver::test {

inline const std::string kNotExecuted = pad("Comando não executado !!!"_cp1252, 30);

inline bool all_digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Checks one log entry of six 80-character lines starting at `first`.
inline void expect_entry(const std::vector<std::string>& lines, std::size_t first,
                         std::string_view command, std::string_view status, std::string_view msg) {
    ASSERT_GE(lines.size(), first + 6);
    for (std::size_t i = first; i < first + 6; ++i)
        EXPECT_EQ(lines[i].size(), 80u) << i;
    EXPECT_EQ(lines[first], std::string(80, '-'));
    const std::string date = lines[first + 1].substr(0, 6);
    EXPECT_TRUE(all_digits(date)) << date;
    EXPECT_EQ(lines[first + 1].substr(6), std::string(74, ' '));
    const std::time_t t = std::time(nullptr);
    const std::tm local = *std::localtime(&t); // the tests call it from one thread
    char today[7];
    std::strftime(today, sizeof today, "%y%m%d", &local);
    EXPECT_EQ(date, today); // (a run across midnight would fail here once)
    const std::string time = lines[first + 2].substr(0, 8);
    EXPECT_TRUE(all_digits(time)) << time;
    EXPECT_LT(std::stoi(time.substr(0, 2)), 24);
    EXPECT_LT(std::stoi(time.substr(2, 2)), 60);
    EXPECT_EQ(lines[first + 2].substr(8), std::string(72, ' '));
    EXPECT_EQ(lines[first + 3], pad(command, 80));
    EXPECT_EQ(lines[first + 4], pad(status, 80));
    EXPECT_EQ(lines[first + 5], pad(msg, 80));
}

using StatusDecoding = DriverTest;

} // namespace qv::driver::test
