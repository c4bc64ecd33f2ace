#include "tests/win32_window/window_fixture.h"

#include "app/win32_window/masked_field.h"
#include "app/win32_window/wide_text.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>

namespace qv::win32_test {

void write_settings(const std::filesystem::path& file, int max_cents, int meal_percent_cents,
                    int drinks_percent_cents, int release_password,
                    const std::vector<Operator>& operators) {
    const auto digits = [](long value, int width) {
        std::string s = std::to_string(value);
        return std::string(static_cast<std::size_t>(width) - s.size(), '0') + s;
    };
    std::string record = "1" + digits(max_cents, 6) + digits(meal_percent_cents, 4) +
                         digits(drinks_percent_cents, 4) + digits(release_password, 6);
    for (std::size_t n = 0; n < 40; ++n) {
        const Operator op = n < operators.size() ? operators[n] : Operator{};
        std::string name = op.name;
        name.resize(20, ' ');
        record += name + digits(op.password, 6);
    }
    std::ofstream(file, std::ios::binary) << record;
}

void WindowTest::SetUp() {
    scratch_ = std::make_unique<test::ScratchFolder>("qv-win32");
    previous_folder_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_->path());
    std::filesystem::create_directory(scratch_->path() / "ecf");
    for (const char* name :
         {"ECFSIM_DIR", "QUITERVAL_DRIVER_LOG", "QUITERVAL_ECF_LIBRARY", "APPDATA", "LOCALAPPDATA"})
        env_.push_back(std::make_unique<test::EnvGuard>(name));
    test::set_env("ECFSIM_DIR", scratch_->path() / "ecf");
    test::set_env("QUITERVAL_DRIVER_LOG", scratch_->path() / "DARUMA.txt");
    test::unset_env("QUITERVAL_ECF_LIBRARY");
    // The printer configuration of the machine's user takes no part.
    test::set_env("APPDATA", scratch_->path() / "config");
    test::set_env("LOCALAPPDATA", scratch_->path() / "state");
    // Maximum 100,00, taxes 10 % and 20 %, release password 4321; ANA's
    // password cell was left empty.
    write_settings(scratch_->path() / "Quiterval.TOR", 10000, 1000, 2000, 4321,
                   {{"MARIA", 123456}, {"JOAO", 654321}, {"ANA", 0}});
    open_window();
}

void WindowTest::open_window() {
    win32::Seams seams;
    seams.message_box = [this](HWND owner, const std::wstring& text, const std::wstring& title,
                               UINT style) {
        boxes_.push_back({text, title, style, owner});
        if (boxes_take_focus_) {
            // A window of its own takes the focus while the box is up.
            HWND box = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                         owner, nullptr, nullptr, nullptr);
            ::SetActiveWindow(box);
            ::SetFocus(box);
            ::DestroyWindow(box);
            ::SetActiveWindow(owner);
        }
        if (answers_.empty()) return IDOK;
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    };
    seams.start_program = [this](const std::wstring& application, const std::wstring& line,
                                 int show) {
        started_.push_back({application, line, show});
    };
    window_ = std::make_unique<win32::MainWindow>(std::move(seams));
    ASSERT_NE(window_->hwnd(), nullptr) << "no window: Wine needs an X display (xvfb-run)";
    window_->show();
    window_->pump();
    ASSERT_TRUE(window_->has_opened());
    ASSERT_TRUE(window_->is_open());
}

void WindowTest::TearDown() {
    window_.reset();
    std::filesystem::current_path(previous_folder_);
    env_.clear();
    scratch_.reset();
}

HWND WindowTest::w(std::string_view name) {
    const HWND found = window_->control(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

std::string WindowTest::text(std::string_view name) {
    return win32::field_text(w(name));
}

std::string_view WindowTest::focus_name() {
    return window_->name_of(::GetFocus());
}

bool WindowTest::shown(std::string_view name) {
    return (::GetWindowLongW(w(name), GWL_STYLE) & WS_VISIBLE) != 0;
}

void WindowTest::type(std::wstring_view typed) {
    for (const wchar_t c : typed) {
        ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
        window_->pump();
    }
}

void WindowTest::press(WPARAM key) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
    window_->pump();
}

void WindowTest::click_at(HWND target, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    ::PostMessageW(target, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(target, WM_LBUTTONUP, 0, at);
    window_->pump();
}

void WindowTest::click(HWND target) {
    RECT area{};
    ::GetClientRect(target, &area);
    click_at(target, area.right / 2, area.bottom / 2);
}

void WindowTest::click_tab(int index) {
    const HWND tabs = w(controls::Pst_ORELHAS);
    RECT tab{};
    ::SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&tab));
    click_at(tabs, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
}

void WindowTest::log_in(int entry, std::wstring_view password) {
    click_tab(1);
    ASSERT_EQ(focus_name(), controls::Cb_Operador);
    ::SendMessageW(w(controls::Cb_Operador), CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    ::SetFocus(w(controls::Ed_SENHA));
    window_->pump();
    type(password);
    press(VK_RETURN);
}

void WindowTest::open_configuration() {
    click_tab(2);
    ASSERT_EQ(focus_name(), controls::Ed_SENHAM);
    type(L"731946");
    press(VK_RETURN);
    ASSERT_FALSE(shown(controls::Frm_SENHAM));
}

HWND WindowTest::hit(HWND target) {
    RECT area{};
    ::GetWindowRect(target, &area);
    return ::WindowFromPoint({(area.left + area.right) / 2, (area.top + area.bottom) / 2});
}

std::string WindowTest::tape() const {
    std::ifstream in(scratch_->path() / "ecf" / "bobina.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace qv::win32_test
