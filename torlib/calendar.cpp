// The calendar: validates one or two dates, gives the weekday and the
// Portuguese names of date 1, and either adds days to date 1 or counts the
// days from date 1 to date 2. Dates run from 01/01/1601 to 31/12/9999.
#include "torlib/routines.h"

#include "shared/cp1252.h"
#include "shared/link_block.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <optional>
#include <string_view>

namespace qv::torlib {
namespace {

namespace L = qv::link;
namespace chr = std::chrono;
using namespace std::string_view_literals;

constexpr chr::sys_days kFirstDay = chr::year{1601} / chr::January / 1;
constexpr chr::sys_days kLastDay = chr::year{9999} / chr::December / 31;

struct WeekdayNames {
    std::string_view short_name, long_name;
};
// By weekday digit - 1: Sunday first. Windows-1252 text.
constexpr std::array<WeekdayNames, 7> kWeekdays{{
    {"Domingo"sv, "Domingo"sv},
    {"Segunda"sv, "Segunda-Feira"sv},
    {"Terça"_cp1252, "Terça-Feira"_cp1252},
    {"Quarta"sv, "Quarta-Feira"sv},
    {"Quinta"sv, "Quinta-Feira"sv},
    {"Sexta"sv, "Sexta-Feira"sv},
    {"Sábado"_cp1252, "Sábado"_cp1252},
}};
constexpr std::array<std::string_view, 12> kMonths{
    "janeiro"sv, "fevereiro"sv, "março"_cp1252, "abril"sv,   "maio"sv,     "junho"sv,
    "julho"sv,   "agosto"sv,    "setembro"sv,   "outubro"sv, "novembro"sv, "dezembro"sv};

struct DateFields {
    FieldSpec day, month, year, whole;
};
constexpr DateFields kDate1{L::L_DIA1, L::L_MES1, L::L_ANO1, L::L_DATA1};
constexpr DateFields kDate2{L::L_DIA2, L::L_MES2, L::L_ANO2, L::L_DATA2};

// A date of all zeros or blanks is no date at all.
bool is_empty(const char* link, const DateFields& d) {
    const ConstBytes f = field(link, d.whole);
    return std::all_of(f.begin(), f.end(), [](char c) { return c == '0' || c == ' '; });
}

// The date when it is written in digits and is a real date in range.
std::optional<chr::sys_days> read_date(const char* link, const DateFields& d) {
    const auto day = get_digits(field(link, d.day));
    const auto month = get_digits(field(link, d.month));
    const auto year = get_digits(field(link, d.year));
    if (!day || !month || !year) return std::nullopt;
    const chr::year_month_day ymd{chr::year{static_cast<int>(*year)},
                                  chr::month{static_cast<unsigned>(*month)},
                                  chr::day{static_cast<unsigned>(*day)}};
    if (!ymd.ok()) return std::nullopt;
    const chr::sys_days days{ymd};
    if (days < kFirstDay) return std::nullopt;
    return days;
}

void write_date(char* link, const DateFields& d, chr::sys_days days) {
    const chr::year_month_day ymd{days};
    put_digits(field(link, d.day), static_cast<unsigned>(ymd.day()));
    put_digits(field(link, d.month), static_cast<unsigned>(ymd.month()));
    put_digits(field(link, d.year), static_cast<unsigned>(static_cast<int>(ymd.year())));
}

void set_indicator(char* link, char value) {
    field(link, L::L_INDICADOR)[0] = value;
}

// Weekday, weekday names, month name and written date of date 1.
void describe(char* link, chr::sys_days date1) {
    const chr::year_month_day ymd{date1};
    const unsigned weekday = chr::weekday{date1}.c_encoding(); // 0 Sunday
    field(link, L::L_DIA_SEMANA)[0] = static_cast<char>('1' + weekday);
    put_text(field(link, L::L_TEXTO1), kWeekdays[weekday].short_name);
    put_text(field(link, L::L_TEXTO2), kWeekdays[weekday].long_name);

    const std::string_view month = kMonths[static_cast<unsigned>(ymd.month()) - 1];
    put_text(field(link, L::L_NOME_MES), month);

    // "06 de dezembro de 2026": day and year as they stand in the block.
    std::array<char, 32> text{};
    std::size_t n = 0;
    const auto add = [&](std::string_view s) {
        std::memcpy(text.data() + n, s.data(), s.size());
        n += s.size();
    };
    const ConstBytes day = field(static_cast<const char*>(link), L::L_DIA1);
    const ConstBytes year = field(static_cast<const char*>(link), L::L_ANO1);
    add({day.data(), day.size()});
    add(" de "sv);
    add(month);
    add(" de "sv);
    add({year.data(), year.size()});
    put_text(field(link, L::L_DATA_EXTENSO), {text.data(), n});
}

} // namespace

void calendar(char* link) {
    const char* in = link;
    if (is_empty(in, kDate1)) return set_indicator(link, 'N');

    // Date 2 is judged before date 1.
    const bool count_days = !is_empty(in, kDate2);
    std::optional<chr::sys_days> date2;
    if (count_days) {
        date2 = read_date(in, kDate2);
        if (!date2) return set_indicator(link, 'N');
    }
    const std::optional<chr::sys_days> date1 = read_date(in, kDate1);
    if (!date1) return set_indicator(link, 'N');

    set_indicator(link, 'S');
    describe(link, *date1);

    if (!count_days) {
        // Date 1 plus L-DIAS. Days that are not digits, or a result past
        // 31/12/9999, cannot be answered: "N" and date 2 stays as it was.
        const auto add = get_digits_blank_zero(field(in, L::L_DIAS));
        if (!add || *add > static_cast<std::uint64_t>((kLastDay - *date1).count()))
            return set_indicator(link, 'N');
        write_date(link, kDate2, *date1 + chr::days{static_cast<int>(*add)});
        return;
    }
    if (*date1 > *date2) {
        put_digits(field(link, L::L_DIAS), 999999);
        return set_indicator(link, 'N');
    }
    // More than 999999 days keeps the last six digits.
    put_digits(field(link, L::L_DIAS), static_cast<std::uint64_t>((*date2 - *date1).count()));
}

} // namespace qv::torlib
