// Edit controls under the form's edit masks. The rules live in the core
// (app/core/edit_mask.h); a subclassed EDIT hands them every change a key,
// a deletion or a paste would make, as Windows-1252, and refuses what they
// refuse. When the focus leaves, a numeric field shows its value in the mask.
#pragma once

#include "app/core/edit_mask.h"
#include "shared/decimal.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace qv::win32 {

// Told that the focus has left `field` for `now` (nullptr: for no window of
// this program), after the field showed its value in the mask.
using FieldLeft = std::function<void(HWND field, HWND now)>;

// Puts an EDIT under `mask`: limits its length, refuses what the mask
// refuses, and shows "*" for each character when `options.password`.
void make_masked_field(HWND edit, EditMask mask, FieldOptions options, FieldLeft left);
// Whether the control is a masked field.
bool is_masked_field(HWND control);

// The field's text as Windows-1252.
std::string field_text(HWND field);
// The field's value; an empty field reads as 0.
Decimal field_value(HWND field);
// Shows a value in the mask (a sum above it whole where the field says so).
void set_field_value(HWND field, Decimal value);
// Shows a text put by the program: blanks empty the field, trailing blanks
// are dropped and the text is cut to what the mask holds.
void set_field_text(HWND field, std::string_view cp1252);
// Shows the current value in the mask (done when the focus leaves).
void reformat_field(HWND field);

namespace detail {

// The text the field would hold once `typed` replaces the selection
// [from, to) of `text`; Backspace (8) and Delete (127) remove the selection,
// or the character before / after the caret when nothing is selected.
// Returns the new text and the caret after it.
struct Change {
    std::wstring text;
    std::size_t caret = 0;
};
Change apply_key(std::wstring_view text, std::size_t from, std::size_t to, wchar_t typed);
Change apply_insert(std::wstring_view text, std::size_t from, std::size_t to,
                    std::wstring_view inserted);

} // namespace detail

} // namespace qv::win32
