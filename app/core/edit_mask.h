// The form's edit masks: amounts "Z.ZZ9,99", percentages "z9,99", six digits
// "9(06)" / "999999" and texts "X(14)", "X(06)", "x(20)". What a field takes
// while it is typed, how a value shows in it and how its text reads back as
// a number, on Windows-1252 bytes, for whichever window draws the field.
//
// The cashier types naturally (digits and one comma; a point typed before any
// comma is taken as the comma); whatever would not fit the mask is refused
// as it is typed. A window turns its own characters into Windows-1252 before
// asking, and refuses by itself any character that Windows-1252 cannot hold.
#pragma once

#include "app/core/window_ops.h"
#include "shared/decimal.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// What a mask decides about a text being typed. Intermediate is the third
// answer edit controls know (not yet a value, but may become one); no mask
// gives it, since every text a mask takes already reads as a value (blank as
// 0, a lone comma as 0,00).
enum class MaskDecision { Acceptable, Intermediate, Invalid };

// How a field shows what its mask holds.
struct FieldOptions {
    bool password = false;   // each character shown as "*"
    bool whole_sums = false; // a number shows a sum above the mask whole (show_whole)
};

struct EditMask {
    enum class Kind { Text, Digits, Number };
    Kind kind = Kind::Text;
    // Text: characters; Digits: digits; Number: picture characters.
    // Unparsed: a plain text control's.
    int length = static_cast<int>(kControlTextWidth);
    int int_digits = 0;  // Number: integer digits
    int decimals = 0;    // Number: decimal digits
    std::string picture; // the picture with repetitions spelled out ("999999")

    // Reads "Z.ZZ9,99", "z9,99", "9(06)", "999999", "X(14)", "x(20)" ...
    static EditMask parse(std::string_view picture);

    // Decides a text as typed so far. A point typed before any comma in a
    // number with decimals is the numeric keypad's decimal key: `typed` then
    // gets the comma in its place.
    MaskDecision check(std::string& typed) const;
    // The value of a text typed under this mask; blank reads as 0.
    Decimal value_of(std::string_view text) const;
    // The value shown in the mask, without the leading blanks of zero
    // suppression (the field aligns numbers to the right instead).
    std::string show(Decimal value) const;
    // As show, but a number above what the picture holds keeps all its
    // integer digits ("12.345,67"): the read-only total of two amounts.
    std::string show_whole(Decimal value) const;

    // How many characters the field holds: a number field has room beyond
    // its picture for a sum shown whole.
    int text_limit() const;
    // What the field shows for a text put by the program: trailing blanks
    // dropped, a blank text empties the field, the rest cut to text_limit.
    std::string put_text(std::string_view text) const;
    // What a field shows once the focus leaves it: a number field its typed
    // value in the mask, nothing when it is blank; nullopt when the field
    // keeps the text as typed (a text field, or a password, which the login
    // compares character by character).
    std::optional<std::string> left_text(std::string_view typed, FieldOptions options) const;
};

// The picture of a plain text control, "X(n)" with n kControlTextWidth: any
// characters, as many as a control's text holds.
std::string plain_text_picture();

} // namespace qv
