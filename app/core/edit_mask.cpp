#include "app/core/edit_mask.h"

#include "shared/cp1252.h"
#include "shared/fixed_field.h"

#include <algorithm>
#include <charconv>

namespace qv {

namespace {

// A number field holds this many characters beyond its picture, room for a
// sum shown whole ("19.999,98" in the total's "Z.ZZ9,99").
constexpr int kRoomForWholeSums = 8;

// Spells out repetitions: "9(06)" -> "999999", "X(14)" -> 14 times "X".
std::string spell_out(std::string_view picture) {
    std::string out;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        const char c = picture[i];
        if (c == '(') {
            const std::size_t close = picture.find(')', i);
            if (close == std::string_view::npos || out.empty()) break;
            const std::string_view digits = picture.substr(i + 1, close - i - 1);
            int count = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), count);
            if (error != std::errc{} || end != digits.data() + digits.size()) count = 0;
            out.append(static_cast<std::size_t>(std::max(0, count - 1)), out.back());
            i = close;
            continue;
        }
        out += c;
    }
    return out;
}

// The blanks a field's text may carry around a number: ASCII white space and
// the no-break space.
bool is_blank_char(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b == ' ' || (b >= '\t' && b <= '\r') || b == 0xA0;
}

std::string_view without_blanks(std::string_view s) {
    while (!s.empty() && is_blank_char(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank_char(s.back()))
        s.remove_suffix(1);
    return s;
}

// A character a text field takes: any Windows-1252 character but the
// controls (C0, DEL, and the five undefined bytes, which stand for C1).
bool is_text_char(char c) {
    const char32_t code_point = cp1252_to_unicode(static_cast<unsigned char>(c));
    return code_point >= 0x20 && code_point != 0x7F && !(code_point >= 0x80 && code_point <= 0x9F);
}

bool all_digits_up_to(std::string_view s, int most) {
    return s.size() <= static_cast<std::size_t>(most) && std::all_of(s.begin(), s.end(), is_digit);
}

MaskDecision decided(bool acceptable) {
    return acceptable ? MaskDecision::Acceptable : MaskDecision::Invalid;
}

} // namespace

std::string plain_text_picture() {
    return "X(" + std::to_string(kControlTextWidth) + ")";
}

EditMask EditMask::parse(std::string_view picture) {
    EditMask m;
    m.picture = spell_out(picture);
    const std::string& p = m.picture;
    m.length = static_cast<int>(p.size());
    const auto only = [&p](std::string_view chars) {
        return !p.empty() && p.find_first_not_of(chars) == std::string::npos;
    };
    if (only("Xx")) {
        m.kind = Kind::Text;
    } else if (only("9")) {
        m.kind = Kind::Digits;
    } else {
        m.kind = Kind::Number;
        const std::size_t comma = p.find(',');
        const std::string_view whole = std::string_view(p).substr(0, comma);
        m.int_digits = static_cast<int>(std::count_if(
            whole.begin(), whole.end(), [](char c) { return c == 'Z' || c == 'z' || c == '9'; }));
        m.decimals = comma == std::string::npos ? 0 : static_cast<int>(p.size() - comma - 1);
    }
    return m;
}

MaskDecision EditMask::check(std::string& typed) const {
    switch (kind) {
    case Kind::Text:
        return decided(typed.size() <= static_cast<std::size_t>(length) &&
                       std::all_of(typed.begin(), typed.end(), is_text_char));
    case Kind::Digits:
        return decided(all_digits_up_to(typed, length));
    case Kind::Number: {
        // Thousands points are never typed: a lone point before any comma is
        // the keypad's decimal key.
        if (decimals > 0 && typed.find(',') == std::string::npos &&
            std::count(typed.begin(), typed.end(), '.') == 1)
            std::replace(typed.begin(), typed.end(), '.', ',');
        const std::size_t comma = typed.find(',');
        const std::string_view text(typed);
        if (comma == std::string::npos) return decided(all_digits_up_to(text, int_digits));
        return decided(decimals > 0 && all_digits_up_to(text.substr(0, comma), int_digits) &&
                       all_digits_up_to(text.substr(comma + 1), decimals));
    }
    }
    return MaskDecision::Invalid;
}

Decimal EditMask::value_of(std::string_view text) const {
    std::string t(without_blanks(text));
    if (t.empty()) return Decimal{};
    if (t.front() == ',') t.insert(t.begin(), '0');
    if (t.back() == ',') t.push_back('0');
    return Decimal::parse(t).value_or(Decimal{});
}

std::string EditMask::show(Decimal value) const {
    if (kind == Kind::Text) {
        std::string s = value.to_string();
        while (!s.empty() && s.back() == '0')
            s.pop_back();
        if (!s.empty() && s.back() == ',') s.pop_back();
        return s.substr(0, static_cast<std::size_t>(length));
    }
    return std::string(without_blanks(edit(value, picture)));
}

std::string EditMask::show_whole(Decimal value) const {
    if (kind != Kind::Number) return show(value);
    return std::string(without_blanks(edit_amount_whole(value)));
}

int EditMask::text_limit() const {
    return kind == Kind::Number ? length + kRoomForWholeSums : length;
}

std::string EditMask::put_text(std::string_view text) const {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (without_blanks(text).empty()) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(text_limit())));
}

std::optional<std::string> EditMask::left_text(std::string_view typed, FieldOptions options) const {
    if (options.password || kind == Kind::Text) return std::nullopt;
    if (without_blanks(typed).empty()) return std::string{};
    const Decimal value = value_of(typed);
    return options.whole_sums ? show_whole(value) : show(value);
}

} // namespace qv
