// The real Windows window driven by window messages under Wine: the form
// against its definition, typing under each mask, lost focus once per
// departure, Enter as Tab, the locks of the two panels, the operators grid,
// the logo, the message boxes' styles, and a coupon on the simulated printer.
#include "tests/win32_window/window_fixture.h"

#include "app/core/form_definition.h"
#include "app/win32_window/masked_field.h"
#include "app/win32_window/wide_text.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <ostream>

namespace qv::win32_test {
namespace {

using win32::widen;

std::wstring class_of(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring caption_of(HWND hwnd) {
    wchar_t text[256] = {};
    ::GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return text;
}

LONG style_of(HWND hwnd) {
    return ::GetWindowLongW(hwnd, GWL_STYLE);
}

// The window class each kind of control is made of.
std::wstring expected_class(form::Kind kind) {
    switch (kind) {
    case form::Kind::TabControl:
        return WC_TABCONTROLW;
    case form::Kind::Page:
    case form::Kind::Panel:
    case form::Kind::Frame:
        return L"QuitervalPanel";
    case form::Kind::Picture:
        return L"QuitervalPicture";
    case form::Kind::Label:
        return L"Static";
    case form::Kind::MaskedEdit:
        return L"Edit";
    case form::Kind::OptionButton:
    case form::Kind::Button:
        return L"Button";
    case form::Kind::ComboBox:
        return L"ComboBox";
    case form::Kind::Grid:
        return L"QuitervalGrid";
    }
    return {};
}

TEST_F(WindowTest, EveryControlOfTheDefinitionStandsWhereItSays) {
    RECT client{};
    ::GetClientRect(window().hwnd(), &client);
    EXPECT_EQ(client.right, form::kWindow.rect.width);
    EXPECT_EQ(client.bottom, form::kWindow.rect.height);
    EXPECT_EQ(caption_of(window().hwnd()), widen(form::kWindow.title));

    const HWND tabs = w(controls::Pst_ORELHAS);
    int page = 0;
    for (const form::Control& c : form::all()) {
        SCOPED_TRACE(std::string(c.name));
        const HWND control = w(c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(window().name_of(control), c.name);
        EXPECT_EQ(_wcsicmp(class_of(control).c_str(), expected_class(c.kind).c_str()), 0)
            << std::string(win32::narrow(class_of(control)));
        const HWND parent = ::GetParent(control);
        EXPECT_EQ(parent, c.container == form::kWindow.form_name ? window().hwnd()
                                                                 : window().control(c.container));
        RECT at{};
        ::GetWindowRect(control, &at);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&at), 2);
        EXPECT_EQ(at.left, c.rect.left);
        EXPECT_EQ(at.top, c.rect.top);
        EXPECT_EQ(at.right - at.left, c.rect.width);
        if (c.kind != form::Kind::ComboBox) {
            EXPECT_EQ(at.bottom - at.top, c.rect.height);
        }

        switch (c.kind) {
        case form::Kind::Page: {
            wchar_t caption[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = caption;
            item.cchTextMax = 64;
            ::SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(page++),
                           reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(std::wstring(caption), widen(c.caption));
            break;
        }
        case form::Kind::Frame:
        case form::Kind::Button:
        case form::Kind::OptionButton:
        case form::Kind::Label:
            if (c.name != controls::CmStatic_SIMULADA1 && c.name != controls::CmStatic_SIMULADA2) {
                EXPECT_EQ(caption_of(control), widen(c.caption));
            }
            break;
        case form::Kind::MaskedEdit:
            EXPECT_EQ((style_of(control) & ES_PASSWORD) != 0, c.password);
            if (c.password) {
                EXPECT_EQ(::SendMessageW(control, EM_GETPASSWORDCHAR, 0, 0), L'*');
            }
            EXPECT_EQ((style_of(control) & ES_READONLY) != 0, c.read_only);
            break;
        default:
            break;
        }
        if (c.kind == form::Kind::OptionButton) {
            EXPECT_EQ(::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED, c.checked);
        }
        EXPECT_EQ((style_of(control) & WS_TABSTOP) != 0, c.tab_order > 0);
        if (c.kind != form::Kind::Page && c.kind != form::Kind::Label) {
            EXPECT_EQ((style_of(control) & WS_VISIBLE) != 0, c.visible);
        }
    }
    // The window opens on page 1 with both lock panels hidden.
    EXPECT_EQ(window().window_ops().selected_page(controls::Pst_ORELHAS), 1);
    EXPECT_TRUE(::IsWindowVisible(w(controls::Img_FUNDO)));
    EXPECT_FALSE(::IsWindowVisible(w(controls::Ed_VALOREF)));
}

TEST_F(WindowTest, OpenLoadsTheSettingsIntoTheControls) {
    EXPECT_EQ(window().window_ops().get_number(controls::Ed_VALOMAX).to_string(),
              Decimal::from_int(100).to_string());
    EXPECT_EQ(text(controls::Ed_SENHLIB), "004321");
    EXPECT_EQ(window().grid().text(1, 1), "MARIA");
    EXPECT_EQ(window().grid().text(2, 2), "654321");
    EXPECT_EQ(::SendMessageW(w(controls::Cb_Operador), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(::SendMessageW(w(controls::Cb_Operador), CB_GETCURSEL, 0, 0), CB_ERR);
    // The list shows the names only.
    wchar_t shown[64] = {};
    ::SendMessageW(w(controls::Cb_Operador), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::wstring(shown), L"MARIA");
}

struct Typing {
    std::string_view field;
    std::wstring typed;
    std::string held;  // what the field holds while the focus is in it
    std::string shown; // once the focus has left
};

void PrintTo(const Typing& row, std::ostream* out) {
    *out << row.field << " <- " << win32::narrow(row.typed);
}

class TypingTest : public WindowTest, public ::testing::WithParamInterface<Typing> {};

TEST_P(TypingTest, TheMaskTakesWhatItShouldAndShowsTheValue) {
    const Typing& row = GetParam();
    open_configuration();
    ::SetFocus(w(row.field));
    window().pump();
    ::SendMessageW(w(row.field), EM_SETSEL, 0, -1);
    type(row.typed);
    EXPECT_EQ(text(row.field), row.held);
    ::SetFocus(w(controls::Bt_REDZ1));
    window().pump();
    EXPECT_EQ(text(row.field), row.shown);
}

// Rows named by their place in the table.
template <class Row> std::string row_name(const ::testing::TestParamInfo<Row>& info) {
    return "row" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, TypingTest,
    ::testing::Values(Typing{controls::Ed_VALOMAX, L"1234,5", "1234,5", "1.234,50"},
                      Typing{controls::Ed_VALOMAX, L"12345", "1234", "1.234,00"},
                      Typing{controls::Ed_VALOMAX, L"12.5", "12,5", "12,50"},
                      Typing{controls::Ed_VALOMAX, L"1,234", "1,23", "1,23"},
                      Typing{controls::Ed_VALOMAX, L"a-7", "7", "7,00"},
                      Typing{controls::Ed_PERCREF, L"123,45", "12,45", "12,45"},
                      Typing{controls::Ed_SENHLIB, L"1234567", "123456", "123456"},
                      Typing{controls::Ed_SENHLIB, L"12x3", "123", "000123"},
                      // Backspace removes the character before the caret.
                      Typing{controls::Ed_PERCBEB, L"19\b5", "15", "15,00"},
                      // A character without a Windows-1252 byte never gets in.
                      Typing{controls::Ed_PERCBEB, L"\u4E2D3", "3", "3,00"}),
    row_name<Typing>);

TEST_F(WindowTest, EnterMovesOnAndEachAmountLeftUpdatesTheTotal) {
    log_in(0, L"123456");
    ASSERT_EQ(focus_name(), controls::Ed_VALOREF);
    type(L"10,50");
    press(VK_RETURN);
    EXPECT_EQ(focus_name(), controls::Ed_VALOBEB);
    EXPECT_EQ(text(controls::Ed_VALOREF), "10,50");
    EXPECT_EQ(text(controls::Ed_VALOTOT), "10,50");
    type(L"4,25");
    press(VK_RETURN);
    EXPECT_EQ(focus_name(), controls::Rbt_Dinheiro);
    EXPECT_EQ(text(controls::Ed_VALOTOT), "14,75");
    // The focus on an option button picks no option.
    press(VK_RETURN);
    EXPECT_EQ(focus_name(), controls::Rbt_Cheque);
    EXPECT_EQ(window().window_ops().option_value(controls::Rbt_Dinheiro), -1);
    EXPECT_EQ(window().window_ops().option_value(controls::Rbt_Cheque), 0);
}

TEST_F(WindowTest, ATotalAboveTheMaskShowsWhole) {
    log_in(0, L"123456");
    type(L"9999,99");
    press(VK_RETURN);
    type(L"9999,99");
    press(VK_RETURN);
    EXPECT_EQ(text(controls::Ed_VALOTOT), "19.999,98");
}

TEST_F(WindowTest, CancellingTheLastCouponWithNothingTypedLocksThePageAgain) {
    log_in(0, L"123456");
    ::SendMessageW(w(controls::Bt_LEITX1), BM_CLICK, 0, 0);
    window().pump();
    EXPECT_TRUE(shown(controls::Frm_SENHA));
    EXPECT_FALSE(::IsWindowEnabled(w(controls::Bt_LEITX1)));
    EXPECT_EQ(focus_name(), controls::Cb_Operador);
    for (const Box& box : boxes_)
        EXPECT_EQ(box.style & MB_TYPEMASK, static_cast<UINT>(MB_OK)); // nothing asked
}

TEST_F(WindowTest, EachDepartureFromTheDocumentChecksItOnceEvenWhenABoxTakesTheFocus) {
    boxes_take_focus_ = true;
    log_in(0, L"123456");
    ::SetFocus(w(controls::Ed_DOCUMEN));
    window().pump();
    type(L"123");
    press(VK_TAB);
    // The invalid document, once; the box's taking and giving back the
    // focus is no departure, and the engine puts the focus back.
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].text, L"Documento inv\u00E1lido !!!");
    EXPECT_EQ(boxes_[0].owner, window().hwnd());
    EXPECT_EQ(focus_name(), controls::Ed_DOCUMEN);
    press(VK_RETURN);
    EXPECT_EQ(boxes_.size(), 2U);
    EXPECT_EQ(focus_name(), controls::Ed_DOCUMEN);
}

TEST_F(WindowTest, AFieldLeftByAClickRunsItsHandler) {
    log_in(0, L"123456");
    type(L"7");
    ::SetFocus(w(controls::Ed_DOCUMEN)); // as a click there does
    window().pump();
    EXPECT_EQ(text(controls::Ed_VALOTOT), "7,00");
    EXPECT_EQ(text(controls::Ed_VALOREF), "7,00");
}

struct Login {
    int entry; // -1: none chosen
    std::wstring password;
    bool logs_in;
};

void PrintTo(const Login& row, std::ostream* out) {
    *out << "entry " << row.entry << " password " << win32::narrow(row.password);
}

class LoginTest : public WindowTest, public ::testing::WithParamInterface<Login> {};

TEST_P(LoginTest, OnlyTheChosenOperatorsPasswordOpensTheCouponPage) {
    const Login& row = GetParam();
    log_in(row.entry, row.password);
    EXPECT_EQ(shown(controls::Frm_SENHA), !row.logs_in);
    if (row.logs_in) {
        EXPECT_EQ(focus_name(), controls::Ed_VALOREF);
        EXPECT_TRUE(::IsWindowEnabled(w(controls::Ed_VALOREF)));
    } else {
        EXPECT_FALSE(::IsWindowEnabled(w(controls::Ed_VALOREF)));
        EXPECT_TRUE(boxes_.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, LoginTest,
                         ::testing::Values(Login{0, L"123456", true}, Login{1, L"654321", true},
                                           Login{0, L"654321", false}, Login{-1, L"123456", false},
                                           Login{2, L"000000", true}, Login{0, L"", false},
                                           Login{0, L"12345", false}),
                         row_name<Login>);

TEST_F(WindowTest, TheLoginPanelLocksTheCouponPageUntilALogin) {
    click_tab(1);
    ASSERT_TRUE(shown(controls::Frm_SENHA));
    for (std::string_view c :
         {controls::Ed_VALOREF, controls::Ed_VALOBEB, controls::Ed_DOCUMEN, controls::Ed_LIBERAC,
          controls::Rbt_Cheque, controls::Bt_Imprime, controls::Bt_LEITX1}) {
        SCOPED_TRACE(std::string(c));
        EXPECT_FALSE(::IsWindowEnabled(w(c)));
        EXPECT_NE(hit(w(c)), w(c));
    }
    // Tab goes round the panel's controls and the tab captions only.
    std::vector<std::string_view> visited;
    for (int i = 0; i < 6; ++i) {
        press(VK_TAB);
        visited.push_back(focus_name());
    }
    for (std::string_view name : visited) {
        EXPECT_TRUE(name == controls::Ed_SENHA || name == controls::Cb_Operador ||
                    name == controls::Pst_ORELHAS)
            << name;
    }
    // Every click on the tab with page 2 on top locks it again and blanks
    // the passwords.
    log_in(0, L"123456");
    ASSERT_FALSE(shown(controls::Frm_SENHA));
    ::SetFocus(w(controls::Ed_LIBERAC));
    window().pump();
    type(L"99");
    click_tab(1);
    EXPECT_TRUE(shown(controls::Frm_SENHA));
    EXPECT_EQ(text(controls::Ed_LIBERAC), "");
    EXPECT_EQ(text(controls::Ed_SENHA), "");
    EXPECT_EQ(focus_name(), controls::Cb_Operador);
}

TEST_F(WindowTest, TheMasterPanelCoversTheTabsUntilTheMasterPassword) {
    click_tab(2);
    ASSERT_TRUE(shown(controls::Frm_SENHAM));
    EXPECT_EQ(focus_name(), controls::Ed_SENHAM);
    EXPECT_FALSE(::IsWindowEnabled(w(controls::Pst_ORELHAS)));
    EXPECT_NE(hit(w(controls::Pst_ORELHAS)), w(controls::Pst_ORELHAS));
    for (std::string_view c : {controls::Bt_LEITX, controls::Bt_REDZ, controls::Bt_REDZ1,
                               controls::Ed_VALOMAX, controls::Tab_Operadores}) {
        SCOPED_TRACE(std::string(c));
        EXPECT_FALSE(::IsWindowEnabled(w(c)));
    }
    // A wrong password, left with Enter or Tab, leaves the panel and the
    // focus where they are.
    type(L"731945");
    press(VK_RETURN);
    EXPECT_TRUE(shown(controls::Frm_SENHAM));
    EXPECT_EQ(focus_name(), controls::Ed_SENHAM);
    press(VK_TAB);
    EXPECT_EQ(focus_name(), controls::Ed_SENHAM);
    ::SendMessageW(w(controls::Ed_SENHAM), EM_SETSEL, 0, -1);
    type(L"731946");
    press(VK_RETURN);
    EXPECT_FALSE(shown(controls::Frm_SENHAM));
    EXPECT_EQ(focus_name(), controls::Ed_VALOMAX);
    EXPECT_TRUE(::IsWindowEnabled(w(controls::Pst_ORELHAS)));
}

TEST_F(WindowTest, KeyboardPageChangesLockToo) {
    ::SetFocus(w(controls::Pst_ORELHAS));
    window().pump();
    ::PostMessageW(w(controls::Pst_ORELHAS), WM_KEYDOWN, VK_RIGHT, 1);
    window().pump();
    EXPECT_EQ(window().window_ops().selected_page(controls::Pst_ORELHAS), 2);
    EXPECT_TRUE(shown(controls::Frm_SENHA));
    EXPECT_EQ(focus_name(), controls::Cb_Operador);
}

TEST_F(WindowTest, TheGridEditsItsCellsUnderTheirColumnsMasks) {
    open_configuration();
    win32::OperatorsGrid& grid = window().grid();
    ::SetFocus(grid.hwnd());
    grid.set_current(3, 2);
    window().pump();
    // ANA's empty password cell reads 000000.
    EXPECT_EQ(grid.text(3, 2), "000000");
    type(L"12x3"); // a typed character starts the edit
    ASSERT_TRUE(grid.editing());
    press(VK_RETURN); // Enter is Tab: the edit is kept, the next cell current
    EXPECT_FALSE(grid.editing());
    EXPECT_EQ(grid.text(3, 2), "000123");
    EXPECT_EQ(grid.current_row(), 4);
    EXPECT_EQ(grid.current_column(), 1);
    EXPECT_EQ(window().window_ops().grid_number(controls::Tab_Operadores, 3, 2).to_string(),
              Decimal::from_int(123).to_string());
    type(L"PEDRO DA SILVA SAURO JUNIOR");
    press(VK_TAB);
    EXPECT_EQ(grid.text(4, 1), "PEDRO DA SILVA SAURO"); // twenty characters
    // Escape drops an edit.
    type(L"99");
    press(VK_ESCAPE);
    EXPECT_FALSE(grid.editing());
    EXPECT_EQ(grid.text(4, 2), "000000");
    EXPECT_EQ(focus_name(), controls::Tab_Operadores);
    // Tab from the last cell leaves the grid.
    grid.set_current(form::kGridRows, 2);
    press(VK_TAB);
    EXPECT_NE(focus_name(), controls::Tab_Operadores);
}

TEST_F(WindowTest, TheLogoShowsTheHandAndOpensTheWebSiteMaximised) {
    click(w(controls::Img_FUNDO));
    EXPECT_EQ(window().pointer(), win32::hand_cursor());
    ASSERT_EQ(started_.size(), 1U);
    EXPECT_EQ(started_[0].application,
              L"C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE");
    EXPECT_EQ(started_[0].command_line.rfind(
                  L"\"C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE\" ", 0),
              0U);
    EXPECT_EQ(started_[0].show_mode, SW_SHOWMAXIMIZED);
}

TEST_F(WindowTest, ZReductionAsksWithNoTheDefaultAndNoSendsNothing) {
    open_configuration();
    answers_ = {IDNO};
    ::SendMessageW(w(controls::Bt_REDZ), BM_CLICK, 0, 0);
    window().pump();
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].style, 292U);
    EXPECT_EQ(boxes_[0].style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(boxes_[0].title, widen(form::kWindow.title));
    EXPECT_EQ(tape(), "");
}

TEST_F(WindowTest, ACouponAboveTheMaximumNeedsTheReleasePassword) {
    log_in(1, L"654321");
    type(L"150");
    press(VK_RETURN);
    ::SendMessageW(w(controls::Bt_Imprime), BM_CLICK, 0, 0);
    window().pump();
    ASSERT_EQ(boxes_.size(), 1U);
    EXPECT_EQ(boxes_[0].style, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(boxes_[0].text,
              L"Informe a senha correta para emitir cupom acima do valor permitido !!!");
    EXPECT_EQ(tape(), "");
    ::SetFocus(w(controls::Ed_LIBERAC));
    window().pump();
    type(L"4321");
    ::SendMessageW(w(controls::Bt_Imprime), BM_CLICK, 0, 0);
    window().pump();
    const std::string printed = tape();
    EXPECT_NE(printed.find("REFEICAO"), std::string::npos) << printed;
    EXPECT_NE(printed.find("OPERADOR: JOAO"), std::string::npos) << printed;
    // The form is reset for the next coupon.
    EXPECT_TRUE(shown(controls::Frm_SENHA));
    EXPECT_EQ(text(controls::Ed_VALOREF), "");
    EXPECT_EQ(text(controls::Ed_LIBERAC), "");
    EXPECT_EQ(focus_name(), controls::Cb_Operador);
}

TEST_F(WindowTest, GravarSavesTheEditedSettingsAndClosesTheWindow) {
    open_configuration();
    ::SendMessageW(w(controls::Ed_VALOMAX), EM_SETSEL, 0, -1);
    type(L"250");
    ::SendMessageW(w(controls::Bt_REDZ1), BM_CLICK, 0, 0);
    window().pump();
    EXPECT_FALSE(window().is_open());
    std::ifstream in(scratch_->path() / "Quiterval.TOR", std::ios::binary);
    const std::string record{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(record.substr(0, 7), "1025000");
}

} // namespace
} // namespace qv::win32_test
