// The calendar against an independent count of days over its whole range,
// and round trips between counting days and adding them.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace qv::torlib_test {
namespace {

struct Date {
    int day, month, year;
};

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int month_length(int m, int y) {
    static constexpr int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kLength[m - 1];
}
Date next(Date d) {
    if (++d.day > month_length(d.month, d.year)) {
        d.day = 1;
        if (++d.month > 12) {
            d.month = 1;
            ++d.year;
        }
    }
    return d;
}

std::string digits(const Date& d) {
    char s[40];
    std::snprintf(s, sizeof s, "%02d%02d%04d", d.day, d.month, d.year);
    return s;
}

Block calendar_block(const Date& date1, const std::string& date2, const std::string& days) {
    Block b = filled(' ');
    set(b, L::L_FUNCAO, "01");
    set(b, L::L_DATA1, digits(date1));
    set(b, L::L_DATA2, date2);
    set(b, L::L_DIAS, days);
    return b;
}

// Walks every day from 01/01/1601 to 31/12/9999, counting them one by one.
// Each day, as date 1 against 31/12/9999, must give the weekday of its count
// (day 1 was a Monday) and the days left to the end, to six digits.
TEST(Calendar, EveryDayAgreesWithAnIndependentCount) {
    constexpr long kLastDay = 3067671;
    // Three million calls: straight on the link block, without copies.
    char* link = bind_shared_record(TORLIB_LINK_NAME, TORLIB_LINK_SIZE);
    ASSERT_NE(link, nullptr);
    Date d{1, 1, 1601};
    long count = 1;
    int failures = 0;
    for (;; ++count, d = next(d)) {
        char date1[40], left[40];
        std::snprintf(date1, sizeof date1, "%02d%02d%04d", d.day, d.month, d.year);
        std::snprintf(left, sizeof left, "%06ld", (kLastDay - count) % 1'000'000);
        std::memcpy(link + L::L_FUNCAO.offset, "01", 2);
        std::memcpy(link + L::L_DATA1.offset, date1, 8);
        std::memcpy(link + L::L_DATA2.offset, "31129999", 8);
        TORLIB();
        const char weekday = static_cast<char>('1' + count % 7);
        if (link[L::L_INDICADOR.offset] != 'S' || link[L::L_DIA_SEMANA.offset] != weekday ||
            std::memcmp(link + L::L_DIAS.offset, left, 6) != 0) {
            ADD_FAILURE() << date1 << ": " << link[L::L_INDICADOR.offset]
                          << link[L::L_DIA_SEMANA.offset] << " "
                          << std::string(link + L::L_DIAS.offset, 6) << ", expected S" << weekday
                          << " " << left;
            if (++failures > 10) return;
        }
        if (d.day == 31 && d.month == 12 && d.year == 9999) break;
    }
    EXPECT_EQ(count, kLastDay);
}

// The day after the last of every month is no date.
TEST(Calendar, EveryMonthEndsWhereItShould) {
    for (int y = 1601; y <= 9999; y += (y < 2100 ? 1 : 97)) {
        for (int m = 1; m <= 12; ++m) {
            const Date last{month_length(m, y), m, y};
            const Date beyond{last.day + 1, m, y};
            EXPECT_EQ(get(call(calendar_block(last, "00000000", "000000")), L::L_INDICADOR), "S")
                << digits(last);
            EXPECT_EQ(get(call(calendar_block(beyond, "00000000", "000000")), L::L_INDICADOR), "N")
                << digits(beyond);
        }
    }
}

Date random_date(std::mt19937& rng) {
    const int y = 1601 + static_cast<int>(rng() % 8399);
    const int m = 1 + static_cast<int>(rng() % 12);
    return {1 + static_cast<int>(rng() % static_cast<unsigned>(month_length(m, y))), m, y};
}

// Adding to date 1 the days counted from date 1 to date 2 gives date 2.
TEST(Calendar, CountingThenAddingReturnsToDate2) {
    std::mt19937 rng(6122026);
    int checked = 0;
    while (checked < 20000) {
        const Date a = random_date(rng);
        Date b = random_date(rng);
        // Half of the pairs close together, so short spans are covered too.
        if (checked % 2 == 0) {
            b = a;
            for (unsigned n = rng() % 800;
                 n > 0 && !(b.day == 31 && b.month == 12 && b.year == 9999); --n)
                b = next(b);
        }
        const Block counted = call(calendar_block(a, digits(b), "000000"));
        if (get(counted, L::L_INDICADOR) != "S") {
            // Date 1 after date 2: the count refuses with 999999.
            EXPECT_EQ(get(counted, L::L_DIAS), "999999") << digits(a) << " " << digits(b);
            continue;
        }
        const std::string days = get(counted, L::L_DIAS);
        // Spans of a million days or more keep only six digits.
        if (b.year - a.year >= 2737) continue;
        const Block added = call(calendar_block(a, "00000000", days));
        ASSERT_EQ(get(added, L::L_INDICADOR), "S") << digits(a) << " + " << days;
        EXPECT_EQ(get(added, L::L_DATA2), digits(b)) << digits(a) << " + " << days;
        ++checked;
    }
}

// Adding days up to the last day of the calendar works; one more is refused
// and leaves date 2 alone.
TEST(Calendar, AddingStopsAtTheLastDay) {
    struct Case {
        Date from;
        const char* days;
        const char* indicator;
        const char* date2;
    };
    const Case cases[] = {
        {{1, 1, 9999}, "000364", "S", "31129999"},
        {{1, 1, 9999}, "000365", "N", "00000000"},
        {{1, 1, 1601}, "999999", "S", "28114338"},
        {{1, 1, 7262}, "999999", "S", "28119999"},
    };
    for (const Case& c : cases) {
        const Block out = call(calendar_block(c.from, "00000000", c.days));
        EXPECT_EQ(get(out, L::L_INDICADOR), c.indicator) << digits(c.from) << " + " << c.days;
        EXPECT_EQ(get(out, L::L_DATA2), c.date2) << digits(c.from) << " + " << c.days;
    }
}

} // namespace
} // namespace qv::torlib_test
