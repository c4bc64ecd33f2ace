#include "danfe/text.h"

#include <algorithm>

namespace qv::danfe::detail {

namespace {

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string trimmed_left(std::string s) {
    s.erase(0, s.find_first_not_of(' '));
    return s;
}

} // namespace

std::string money(Decimal value) {
    std::string text = trimmed_left(edit_amount_whole(value));
    return value.is_negative() ? "-" + text : text;
}

std::string quantity(Decimal value) {
    std::string text = std::to_string(value.abs().whole());
    std::string fraction =
        std::to_string(value.abs().units() % Decimal::kOne + Decimal::kOne).substr(1);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty()) text += "," + fraction;
    return value.is_negative() ? "-" + text : text;
}

std::string masked_document(std::string_view d) {
    if (!all_digits(d)) return std::string(d);
    std::string s(d);
    if (s.size() == 11)
        return s.substr(0, 3) + "." + s.substr(3, 3) + "." + s.substr(6, 3) + "-" + s.substr(9);
    if (s.size() == 14)
        return s.substr(0, 2) + "." + s.substr(2, 3) + "." + s.substr(5, 3) + "/" + s.substr(8, 4) +
               "-" + s.substr(12);
    return s;
}

std::vector<std::string> key_lines(std::string_view key) {
    std::vector<std::string> lines(2);
    for (std::size_t group = 0; group * 4 < key.size(); ++group) {
        std::string& line = lines[group < 6 ? 0 : 1];
        if (!line.empty()) line += ' ';
        line += key.substr(group * 4, 4);
    }
    return lines;
}

std::vector<std::string> wrap(std::string_view text, int columns) {
    const auto width = static_cast<std::size_t>(std::max(columns, 1));
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view word = text.substr(at, end - at);
        at = end;
        while (!word.empty()) {
            const std::size_t room =
                line.empty() ? width : width - std::min(width, line.size() + 1);
            if (word.size() <= room) {
                if (!line.empty()) line += ' ';
                line += word;
                word = {};
            } else if (!line.empty()) {
                lines.push_back(std::move(line));
                line.clear();
            } else {
                lines.emplace_back(word.substr(0, width));
                word.remove_prefix(width);
            }
        }
    }
    if (!line.empty() || lines.empty()) lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> pair_line(std::string_view left, std::string_view right, int columns) {
    const auto width = static_cast<std::size_t>(std::max(columns, 1));
    if (left.size() + 1 + right.size() <= width)
        return {std::string(left) + std::string(width - left.size() - right.size(), ' ') +
                std::string(right)};
    std::vector<std::string> lines = wrap(left, columns);
    for (const std::string& part : wrap(right, columns))
        lines.push_back(std::string(width - part.size(), ' ') + part);
    return lines;
}

} // namespace qv::danfe::detail
