// The main window `01-Quiterval` stated once, as data: every control of
// app/core/control_names.h with its kind, container, place and size, caption,
// font, colours, edit mask, password masking, initial state and place in the
// focus order. No toolkit type: any window that draws the form reads it here.
//
// Positions are pixels relative to the container; captions are Windows-1252
// bytes; font sizes are hundredths of a point.
#pragma once

#include "app/core/control_names.h"

#include <optional>
#include <span>
#include <string_view>

namespace qv::form {

enum class Kind {
    TabControl,
    Page,  // a page of the tab control; its caption is the tab's
    Panel, // a page's panel or a lock panel
    Frame, // a labelled frame: the caption is the label of the field inside
    Picture,
    Label,
    MaskedEdit,
    OptionButton,
    ComboBox,
    Grid,
    Button,
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

struct Font {
    std::string_view family;
    int centipoints = 0; // 825 is 8.25 pt
    bool bold = false;
    friend constexpr bool operator==(const Font&, const Font&) = default;
    // The height in pixels at 96 dots per inch, the layout's own.
    constexpr int pixels() const { return centipoints * 96 / 7200; }
};

struct Control {
    std::string_view name{}; // a name of qv::controls
    Kind kind = Kind::Panel;
    std::string_view container{}; // a control's name, or kWindow.form_name
    Rect rect{};
    std::string_view caption{}; // Windows-1252; a page's tab caption
    // The look: nullopt where the control draws no text, or no colour, of
    // its own.
    std::optional<Font> font{};
    std::optional<Rgb> text{};
    std::optional<Rgb> background{};
    std::optional<Rgb> border{};
    std::string_view image{};   // a picture's bitmap resource
    bool centred = false;       // the text or picture centred in the control
    std::string_view picture{}; // the edit mask of a masked edit
    bool password = false;      // each typed character shown as "*"
    bool whole_sums = false;    // shows a sum above its mask with every digit
    bool read_only = false;
    bool visible = true;  // at start
    bool checked = false; // an option button selected at start
    int tab_order = 0;    // 1, 2 ... in the focus order; 0 takes no focus
};

struct Window {
    std::string_view form_name;
    std::string_view title;
    Rect rect; // first shown at (left, top) of the screen
    Rgb background;
    Font font;
};

// The grid's columns after the row header.
struct GridColumn {
    std::string_view header;
    int width = 0;
    std::string_view picture;
};

inline constexpr Window kWindow = {"01-Quiterval",
                                   "Quiterval (14.04a)",
                                   {399, 221, 363, 334},
                                   {0, 0, 128},
                                   {"MS Shell Dlg", 825, false}};

// Each tab of the tab control, in pixels.
inline constexpr int kTabWidth = 115;
inline constexpr int kTabHeight = 23;

inline constexpr int kGridRows = 40;
inline constexpr int kGridRowHeaderWidth = 26;
inline constexpr GridColumn kGridColumns[] = {{"Operador", 155, "x(20)"}, {"Senha", 55, "9(06)"}};

// Every control, in the order of control_names.h.
std::span<const Control> all();
// The control of that name, or nullptr.
const Control* find(std::string_view name);

} // namespace qv::form
