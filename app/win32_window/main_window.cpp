#include "app/win32_window/main_window.h"

#include "app/core/control_names.h"
#include "app/core/printer_band.h"
#include "app/win32_window/masked_field.h"
#include "app/win32_window/message_params.h"
#include "app/win32_window/resource_ids.h"
#include "app/win32_window/wide_text.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"QuitervalMain";
constexpr wchar_t kPanelClass[] = L"QuitervalPanel";
constexpr wchar_t kPictureClass[] = L"QuitervalPicture";
// Posted once the window is on screen: the window's open event.
constexpr UINT kOpenMessage = WM_APP + 1;
// Posted when a field has lost the focus (WPARAM: the field): its handler
// runs once the focus has settled, not inside the focus change, so that a
// message box it shows does not come up while Windows moves the focus.
constexpr UINT kDepartureMessage = WM_APP + 2;
constexpr UINT_PTR kTabsSubclassId = 0x51565442; // "QVTB"
constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Where a frame's caption starts inside it: a little in from the left, and
// level with the top of the field it labels.
constexpr int kCaptionLeft = 6;
// The combo box's list below its field (the form's 138 pixels).
constexpr int kComboListHeight = 138;

COLORREF colour(const form::Rgb& c) {
    return RGB(c.red, c.green, c.blue);
}

bool shown_itself(HWND hwnd) {
    return (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void register_class(const wchar_t* name, WNDPROC proc, UINT style) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc); // fails harmlessly when already registered
}

} // namespace

MainWindow::MainWindow(Seams seams)
    : ops_(*this, std::move(seams)), engine_(ops_), handlers_(ops_, engine_) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX common{sizeof common, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&common);
    register_class(kMainClass, &MainWindow::window_proc, 0);
    register_class(kPanelClass, &MainWindow::panel_proc, 0);
    register_class(kPictureClass, &MainWindow::picture_proc, 0);
    OperatorsGrid::register_class(instance);

    const form::Rect& at = form::kWindow.rect;
    RECT outer{0, 0, at.width, at.height};
    ::AdjustWindowRectEx(&outer, kMainStyle, FALSE, 0);
    hwnd_ = ::CreateWindowExW(0, kMainClass, widen(form::kWindow.title).c_str(), kMainStyle,
                              at.left, at.top, outer.right - outer.left, outer.bottom - outer.top,
                              nullptr, nullptr, instance, this);
    icon_big_ = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(QV_ICON_PROGRAM), IMAGE_ICON, 32, 32, 0));
    icon_small_ = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(QV_ICON_PROGRAM), IMAGE_ICON, 16, 16, 0));
    if (icon_big_) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_));
    if (icon_small_)
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_));
    logo_ = static_cast<HBITMAP>(::LoadImageW(instance, widen(QV_BITMAP_LOGO).c_str(), IMAGE_BITMAP,
                                              0, 0, LR_CREATEDIBSECTION));

    create_controls();
    show_printer_band();
    show_page(0);

    const std::pair<std::string_view, Handler> fields[] = {
        {controls::Ed_VALOREF, &FormHandlers::on_Ed_VALOREF_lost_focus},
        {controls::Ed_VALOBEB, &FormHandlers::on_Ed_VALOBEB_lost_focus},
        {controls::Ed_DOCUMEN, &FormHandlers::on_Ed_DOCUMEN_lost_focus},
        {controls::Ed_SENHA, &FormHandlers::on_Ed_SENHA_lost_focus},
        {controls::Ed_SENHAM, &FormHandlers::on_Ed_SENHAM_lost_focus},
    };
    for (const auto& [name, handler] : fields)
        lost_focus_.emplace_back(control(name), handler);
    const std::pair<std::string_view, Handler> buttons[] = {
        {controls::Bt_Imprime, &FormHandlers::on_Bt_Imprime_click},
        {controls::Bt_LEITX, &FormHandlers::on_Bt_LEITX_click},
        {controls::Bt_REDZ, &FormHandlers::on_Bt_REDZ_click},
        {controls::Bt_LEITX1, &FormHandlers::on_Bt_LEITX1_click},
        {controls::Bt_REDZ1, &FormHandlers::on_Bt_REDZ1_click},
    };
    for (const auto& [name, handler] : buttons)
        clicks_.emplace_back(control(name), handler);
}

MainWindow::~MainWindow() {
    opened_ = false;
    if (::IsWindow(hwnd_)) {
        ::ShowWindow(hwnd_, SW_HIDE);
        ::DestroyWindow(hwnd_);
    }
    grid_.reset();
    for (const auto& [key, f] : fonts_)
        ::DeleteObject(f);
    for (const auto& [key, b] : brushes_)
        ::DeleteObject(b);
    if (logo_) ::DeleteObject(logo_);
    if (icon_big_) ::DestroyIcon(icon_big_);
    if (icon_small_) ::DestroyIcon(icon_small_);
}

// --- Building the form ------------------------------------------------------

void MainWindow::create_controls() {
    for (const form::Control& c : form::all()) {
        const HWND parent = c.container == form::kWindow.form_name ? hwnd_ : control(c.container);
        const HWND made = create_control(c, parent);
        controls_[c.name] = made;
        definitions_[made] = &c;
    }
    // Later controls of the form lie above earlier ones, as the form draws
    // them: the lock panels over the pages, the printer band over them all.
    for (const form::Control& c : form::all())
        ::SetWindowPos(control(c.name), HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND MainWindow::create_control(const form::Control& c, HWND parent) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (c.visible ? WS_VISIBLE : 0) |
                  (c.tab_order > 0 ? WS_TABSTOP : 0);
    const wchar_t* window_class = kPanelClass;
    std::wstring text = widen(c.caption);
    int height = c.rect.height;
    const EditMask mask =
        EditMask::parse(c.picture.empty() ? plain_text_picture() : std::string(c.picture));
    switch (c.kind) {
    case form::Kind::TabControl:
        window_class = WC_TABCONTROLW;
        style |= WS_CLIPCHILDREN | TCS_FIXEDWIDTH | TCS_OWNERDRAWFIXED;
        break;
    case form::Kind::Page:
    case form::Kind::Panel:
    case form::Kind::Frame:
        style |= WS_CLIPCHILDREN;
        break;
    case form::Kind::Picture:
        window_class = kPictureClass;
        break;
    case form::Kind::Label:
        window_class = L"STATIC";
        style |= SS_NOPREFIX | (c.centred ? SS_CENTER | SS_CENTERIMAGE : SS_LEFT);
        break;
    case form::Kind::MaskedEdit:
        window_class = L"EDIT";
        style |= WS_BORDER | ES_AUTOHSCROLL |
                 (mask.kind == EditMask::Kind::Number ? ES_RIGHT : ES_LEFT) |
                 (c.password ? ES_PASSWORD : 0) | (c.read_only ? ES_READONLY : 0);
        break;
    case form::Kind::OptionButton:
        window_class = L"BUTTON";
        style |= BS_AUTORADIOBUTTON;
        break;
    case form::Kind::ComboBox:
        window_class = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL;
        height += kComboListHeight;
        break;
    case form::Kind::Grid:
        grid_ = std::make_unique<OperatorsGrid>(parent, c, font(c.font), style);
        return grid_->hwnd();
    case form::Kind::Button:
        window_class = L"BUTTON";
        style |= BS_OWNERDRAW;
        break;
    }
    if (c.kind == form::Kind::Page) text.clear(); // the tab's caption, not the page's

    const HWND made =
        ::CreateWindowExW(0, window_class, text.c_str(), style, c.rect.left, c.rect.top,
                          c.rect.width, height, parent, nullptr, instance, nullptr);
    ::SendMessageW(made, WM_SETFONT,
                   reinterpret_cast<WPARAM>(font(c.font ? c.font : form::kWindow.font)), FALSE);
    switch (c.kind) {
    case form::Kind::TabControl:
        ::SendMessageW(made, TCM_SETITEMSIZE, 0, MAKELPARAM(form::kTabWidth, form::kTabHeight));
        ::SetWindowSubclass(made, &MainWindow::tabs_proc, kTabsSubclassId,
                            reinterpret_cast<DWORD_PTR>(this));
        break;
    case form::Kind::Page: {
        std::wstring caption = widen(c.caption);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        const auto count = ::SendMessageW(parent, TCM_GETITEMCOUNT, 0, 0);
        ::SendMessageW(parent, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                       reinterpret_cast<LPARAM>(&item));
        break;
    }
    case form::Kind::MaskedEdit:
        make_masked_field(made, mask, FieldOptions{c.password, c.whole_sums},
                          [this](HWND field, HWND now) { field_left(field, now); });
        break;
    case form::Kind::OptionButton:
        if (c.checked) ::SendMessageW(made, BM_SETCHECK, BST_CHECKED, 0);
        break;
    case form::Kind::ComboBox:
        // The field as high as the form has it; the list below it.
        ::SendMessageW(made, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), c.rect.height - 6);
        break;
    default:
        break;
    }
    return made;
}

HFONT MainWindow::font(const std::optional<form::Font>& f) {
    const form::Font& wanted = f ? *f : form::kWindow.font;
    const auto key = std::make_tuple(wanted.family, wanted.centipoints, wanted.bold);
    if (const auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    LOGFONTW logical{};
    logical.lfHeight = -wanted.pixels();
    logical.lfWeight = wanted.bold ? FW_BOLD : FW_NORMAL;
    logical.lfCharSet = DEFAULT_CHARSET;
    logical.lfQuality = DEFAULT_QUALITY;
    const std::wstring family = widen(wanted.family);
    family.copy(logical.lfFaceName, LF_FACESIZE - 1);
    const HFONT made = ::CreateFontIndirectW(&logical);
    fonts_[key] = made;
    return made;
}

HBRUSH MainWindow::brush(COLORREF c) {
    if (const auto it = brushes_.find(c); it != brushes_.end()) return it->second;
    const HBRUSH made = ::CreateSolidBrush(c);
    brushes_[c] = made;
    return made;
}

const form::Control* MainWindow::definition(HWND control) const {
    const auto it = definitions_.find(control);
    return it == definitions_.end() ? nullptr : it->second;
}

HWND MainWindow::control(std::string_view name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

std::string_view MainWindow::name_of(HWND control) const {
    const form::Control* def = definition(control);
    return def ? def->name : std::string_view();
}

// A control's background: its own colour, or its container's.
COLORREF MainWindow::background_of(HWND control) const {
    for (HWND at = control; at && at != hwnd_; at = ::GetParent(at)) {
        const form::Control* def = definition(at);
        if (def && def->background) return colour(*def->background);
    }
    return colour(form::kWindow.background);
}

void MainWindow::show_printer_band() {
    const form::PrinterBand printer = form::printer_band();
    for (std::string_view band : {controls::CmStatic_SIMULADA1, controls::CmStatic_SIMULADA2}) {
        ::SetWindowTextW(control(band), widen(printer.text).c_str());
        ::ShowWindow(control(band), printer.shown ? SW_SHOWNA : SW_HIDE);
    }
}

void MainWindow::show_page(int index) {
    const HWND tabs = control(controls::Pst_ORELHAS);
    if (::SendMessageW(tabs, TCM_GETCURSEL, 0, 0) != index)
        ::SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    const std::string_view pages[] = {controls::Pagina1, controls::Pagina2, controls::Pagina3};
    // The new page first: the old one takes the focus with it when hidden.
    ::ShowWindow(control(pages[index]), SW_SHOWNA);
    for (int page = 0; page < static_cast<int>(std::size(pages)); ++page)
        if (page != index) ::ShowWindow(control(pages[page]), SW_HIDE);
}

// --- Drawing ----------------------------------------------------------------

LRESULT MainWindow::paint_panel(HWND panel) {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(panel, &ps);
    RECT area{};
    ::GetClientRect(panel, &area);
    ::FillRect(dc, &area, brush(background_of(panel)));
    const form::Control* def = definition(panel);
    if (def && def->border) ::FrameRect(dc, &area, brush(colour(*def->border)));
    if (def && def->kind == form::Kind::Frame) {
        const std::wstring caption = window_text(panel);
        HGDIOBJ old = ::SelectObject(dc, font(def->font));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, def->text ? colour(*def->text) : RGB(0, 0, 0));
        RECT text = area;
        text.left += kCaptionLeft;
        text.top += caption_top(*def);
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                    DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        ::SelectObject(dc, old);
    }
    ::EndPaint(panel, &ps);
    return 0;
}

int MainWindow::caption_top(const form::Control& frame) {
    int top = frame.rect.height;
    for (const form::Control& c : form::all())
        if (c.container == frame.name) top = std::min(top, c.rect.top + 1);
    return top == frame.rect.height ? 1 : top;
}

// The logo scaled into its box keeping its shape, centred.
LRESULT MainWindow::paint_picture(HWND picture) {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(picture, &ps);
    RECT area{};
    ::GetClientRect(picture, &area);
    ::FillRect(dc, &area, brush(background_of(picture)));
    BITMAP info{};
    if (logo_ && ::GetObjectW(logo_, sizeof info, &info) && info.bmWidth > 0 && info.bmHeight > 0) {
        const double scale = std::min(static_cast<double>(area.right) / info.bmWidth,
                                      static_cast<double>(area.bottom) / info.bmHeight);
        const int width = static_cast<int>(info.bmWidth * scale);
        const int height = static_cast<int>(info.bmHeight * scale);
        HDC source = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(source, logo_);
        ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchBlt(dc, (area.right - width) / 2, (area.bottom - height) / 2, width, height,
                     source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        ::SelectObject(source, old);
        ::DeleteDC(source);
    }
    ::EndPaint(picture, &ps);
    return 0;
}

LRESULT MainWindow::control_colours(HDC dc, HWND control) {
    // The parts of the combo box (its field and list) take the combo's look.
    HWND owner = control;
    if (!definition(owner) && definition(::GetParent(owner))) owner = ::GetParent(owner);
    const form::Control* def = definition(owner);
    const COLORREF back = background_of(owner);
    COLORREF text = def && def->text ? colour(*def->text) : RGB(0, 0, 0);
    if (!::IsWindowEnabled(owner)) text = ::GetSysColor(COLOR_GRAYTEXT);
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, back);
    return reinterpret_cast<LRESULT>(brush(back));
}

void MainWindow::draw_button(const DRAWITEMSTRUCT& item) {
    const form::Control* def = definition(item.hwndItem);
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    ::FillRect(dc, &area, brush(background_of(item.hwndItem)));
    ::DrawEdge(dc, &area, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const std::wstring caption = window_text(item.hwndItem);
    HGDIOBJ old = ::SelectObject(dc, font(def ? def->font : std::nullopt));
    ::SetBkMode(dc, TRANSPARENT);
    const bool enabled = !(item.itemState & ODS_DISABLED);
    ::SetTextColor(dc, !enabled           ? ::GetSysColor(COLOR_GRAYTEXT)
                       : def && def->text ? colour(*def->text)
                                          : RGB(0, 0, 0));
    if (item.itemState & ODS_SELECTED) ::OffsetRect(&area, 1, 1);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &area,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        ::InflateRect(&focus, -4, -4);
        ::DrawFocusRect(dc, &focus);
    }
}

void MainWindow::draw_tab(const DRAWITEMSTRUCT& item) {
    const HWND tabs = item.hwndItem;
    const form::Control* def = definition(tabs);
    wchar_t caption[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = static_cast<int>(std::size(caption));
    ::SendMessageW(tabs, TCM_GETITEMW, item.itemID, reinterpret_cast<LPARAM>(&tab));
    const bool on_top = (item.itemState & ODS_SELECTED) != 0;
    RECT area = item.rcItem;
    ::FillRect(item.hDC, &area,
               on_top && def && def->background ? brush(colour(*def->background))
                                                : ::GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ old = ::SelectObject(item.hDC, font(def ? def->font : std::nullopt));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC,
                   ::IsWindowEnabled(tabs) ? RGB(0, 0, 0) : ::GetSysColor(COLOR_GRAYTEXT));
    ::DrawTextW(item.hDC, caption, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(item.hDC, old);
}

// --- Messages ---------------------------------------------------------------

MainWindow* MainWindow::owner_of(HWND hwnd) {
    const HWND root = ::GetAncestor(hwnd, GA_ROOT);
    return root ? from_param<MainWindow*>(::GetWindowLongPtrW(root, GWLP_USERDATA)) : nullptr;
}

bool MainWindow::is_ours(HWND hwnd) const {
    return hwnd && (hwnd == hwnd_ || ::IsChild(hwnd_, hwnd));
}

LRESULT CALLBACK MainWindow::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = from_param<const CREATESTRUCTW*>(lparam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = from_param<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

// Panels, pages and frames: they draw themselves and hand what their
// controls tell them to the main window.
LRESULT CALLBACK MainWindow::panel_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    MainWindow* self = owner_of(hwnd);
    if (self) {
        LRESULT result = 0;
        if (self->child_message(message, wparam, lparam, result)) return result;
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return self->paint_panel(hwnd);
        case WM_SETTEXT: {
            const LRESULT done = ::DefWindowProcW(hwnd, message, wparam, lparam);
            ::InvalidateRect(hwnd, nullptr, FALSE);
            return done;
        }
        default:
            break;
        }
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK MainWindow::picture_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    MainWindow* self = owner_of(hwnd);
    if (self) {
        LRESULT result = 0;
        if (self->child_message(message, wparam, lparam, result)) return result;
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return self->paint_picture(hwnd);
        case WM_MOUSEMOVE:
            if (self->opened_)
                self->run_handler([self] { self->handlers_.on_Img_FUNDO_mouse_move(); });
            return 0;
        case WM_LBUTTONDOWN:
            ::SetCapture(hwnd);
            return 0;
        case WM_LBUTTONUP: {
            const bool pressed = ::GetCapture() == hwnd;
            if (pressed) ::ReleaseCapture();
            RECT area{};
            ::GetClientRect(hwnd, &area);
            const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            if (pressed && self->opened_ && ::PtInRect(&area, at))
                self->run_handler([self] { self->handlers_.on_Img_FUNDO_click(); });
            return 0;
        }
        default:
            break;
        }
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// The tab control's click: a click on the tab already on top changes no
// page, so it is taken from the click itself; a click on another tab, and
// every page change by the keyboard, arrive as a page change, after which
// the new page is on top, as the handler expects.
LRESULT CALLBACK MainWindow::tabs_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR, DWORD_PTR data) {
    auto* self = from_param<MainWindow*>(data);
    if (message == WM_LBUTTONDOWN) {
        TCHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        const auto index = ::SendMessageW(hwnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        const auto on_top = ::SendMessageW(hwnd, TCM_GETCURSEL, 0, 0);
        const LRESULT done = ::DefSubclassProc(hwnd, message, wparam, lparam);
        if (index == on_top || (index < 0 && hit.pt.y < form::kTabHeight)) self->page_lock();
        return done;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, &MainWindow::tabs_proc, kTabsSubclassId);
    return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

bool MainWindow::child_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED && lparam) button_clicked(from_param<HWND>(lparam));
        result = 0;
        return true;
    case WM_NOTIFY: {
        const auto* note = from_param<const NMHDR*>(lparam);
        if (note->hwndFrom == control(controls::Pst_ORELHAS) && note->code == TCN_SELCHANGE) {
            show_page(static_cast<int>(::SendMessageW(note->hwndFrom, TCM_GETCURSEL, 0, 0)));
            page_lock();
        }
        result = 0;
        return true;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        result = control_colours(from_param<HDC>(wparam), from_param<HWND>(lparam));
        return true;
    case WM_DRAWITEM: {
        const auto* item = from_param<const DRAWITEMSTRUCT*>(lparam);
        if (item->CtlType == ODT_TAB) {
            draw_tab(*item);
        } else if (item->CtlType == ODT_BUTTON) {
            draw_button(*item);
        } else {
            return false;
        }
        result = TRUE;
        return true;
    }
    case WM_SETCURSOR: {
        // The pointer set by the handlers shows over the form's own
        // surfaces; the controls keep theirs (the edit fields' I-beam).
        const auto under = from_param<HWND>(wparam);
        const form::Control* def = definition(under);
        const bool surface =
            under == hwnd_ ||
            (def && (def->kind == form::Kind::Page || def->kind == form::Kind::Panel ||
                     def->kind == form::Kind::Frame || def->kind == form::Kind::Picture ||
                     def->kind == form::Kind::Label));
        if (!pointer_ || LOWORD(lparam) != HTCLIENT || !surface) return false;
        ::SetCursor(pointer_);
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (child_message(message, wparam, lparam, result)) return result;
    switch (message) {
    case WM_ERASEBKGND: {
        RECT area{};
        ::GetClientRect(hwnd_, &area);
        ::FillRect(from_param<HDC>(wparam), &area, brush(colour(form::kWindow.background)));
        return 1;
    }
    case WM_ACTIVATE:
        // Windows gives an activated window the focus itself; the control
        // that had it when another window (a message box) came up gets it back.
        if (LOWORD(wparam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (is_ours(focus)) saved_focus_ = focus;
            return 0;
        }
        if (saved_focus_ && ::IsWindow(saved_focus_) && ::IsWindowVisible(saved_focus_) &&
            ::IsWindowEnabled(saved_focus_) && is_ours(saved_focus_)) {
            ::SetFocus(saved_focus_);
            return 0;
        }
        break;
    case kOpenMessage:
        opened();
        return 0;
    case kDepartureMessage:
        serve_departure(from_param<HWND>(wparam));
        return 0;
    case WM_CLOSE:
        ::ShowWindow(hwnd_, SW_HIDE);
        ::DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

// --- Events -----------------------------------------------------------------

void MainWindow::show() {
    ::ShowWindow(hwnd_, SW_SHOW);
    ::UpdateWindow(hwnd_);
    // The open event follows the first showing, once the window exists on
    // screen, so that the open handler may already close it.
    ::PostMessageW(hwnd_, kOpenMessage, 0, 0);
}

void MainWindow::opened() {
    if (opened_) return;
    ::SetForegroundWindow(hwnd_);
    ::SetActiveWindow(hwnd_);
    opened_ = true;
    run_handler([this] { handlers_.on_window_open(); });
    if (!is_open()) return;
    // An explicit first focus: the tab captions of the title page, from
    // where the keyboard reaches the other pages.
    const HWND focus = ::GetFocus();
    if (!is_ours(focus) || focus == hwnd_ || !::IsWindowVisible(focus))
        ::SetFocus(control(controls::Pst_ORELHAS));
}

void MainWindow::close() {
    ::ShowWindow(hwnd_, SW_HIDE);
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

int MainWindow::run() {
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (pre_translate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void MainWindow::pump() {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (pre_translate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Handlers run one at a time, each to completion, as the engine expects. A
// field that loses the focus while a handler runs (to the handler's own
// set_focus, or to a lock panel that disables it) has its departure queued
// and served when the running handler has finished; its own departure is not
// queued again while its handler runs. Anything else arriving meanwhile (no
// click can: message boxes are modal and the driver runs synchronously) is
// dropped rather than nested.
void MainWindow::run_handler(const std::function<void()>& handler, HWND field) {
    if (busy_) {
        queue_departure(field);
        return;
    }
    busy_ = true;
    running_field_ = field;
    handler();
    // A handler that makes another field lose the focus may queue it; a
    // bound keeps two fields from sending the focus back and forth forever.
    for (int served = 0; !left_fields_.empty() && served < 32 && is_open(); ++served) {
        const HWND next = left_fields_.front();
        left_fields_.erase(left_fields_.begin());
        running_field_ = next;
        for (const auto& [f, h] : lost_focus_)
            if (f == next) (handlers_.*h)();
    }
    left_fields_.clear();
    running_field_ = nullptr;
    busy_ = false;
}

// "Loses focus": the focus went to another control of this window, or was
// taken from the field inside the active window (a lock panel disabled it),
// once per departure. A switch to another application or a message box
// popping up is not a departure.
void MainWindow::field_left(HWND field, HWND now) {
    if (!opened_ || !is_open()) return;
    // No window at all: a departure only when the focus was taken inside
    // the active window (a panel disabled the field), not when a modal box
    // disabled the whole window.
    if (now ? !is_ours(now) : ::GetActiveWindow() != hwnd_ || !::IsWindowEnabled(hwnd_)) return;
    if (field == departure_taken_) return;
    if (busy_) {
        queue_departure(field);
    } else {
        ::PostMessageW(hwnd_, kDepartureMessage, reinterpret_cast<WPARAM>(field), 0);
    }
}

void MainWindow::queue_departure(HWND field) {
    if (field && field != running_field_ &&
        std::find(left_fields_.begin(), left_fields_.end(), field) == left_fields_.end())
        left_fields_.push_back(field);
}

void MainWindow::serve_departure(HWND field) {
    if (!is_open()) return;
    for (const auto& [f, h] : lost_focus_)
        if (f == field) run_handler([this, h = h] { (handlers_.*h)(); }, field);
}

void MainWindow::button_clicked(HWND button) {
    for (const auto& [b, h] : clicks_)
        if (b == button) run_handler([this, h = h] { (handlers_.*h)(); });
}

void MainWindow::page_lock() {
    if (opened_) run_handler([this] { handlers_.on_Pst_ORELHAS_click(); });
}

bool MainWindow::pre_translate(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !is_ours(msg.hwnd) || busy_ || !opened_) return false;
    const int code = static_cast<int>(msg.wParam);
    const bool control_key = ::GetKeyState(VK_CONTROL) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const HWND focus = ::GetFocus();
    // Ctrl+Tab changes the page from anywhere on the tab control, also from
    // a control that would take the key for itself (the operator list).
    if (code == kKeyTab && control_key) {
        const HWND tabs = control(controls::Pst_ORELHAS);
        if (!::IsWindowEnabled(tabs) || !(focus == tabs || ::IsChild(tabs, focus))) return true;
        const int count = static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        const int on_top = static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
        show_page((on_top + (shift ? count - 1 : 1)) % count);
        page_lock();
        return true;
    }
    const std::string focused(name_of(focus));
    int result = code;
    run_handler([&] { result = handlers_.on_window_key_down(code, focused); });
    if (result == kKeyConsumed) return true;
    if (result == kKeyTab && (code == kKeyEnter || code == kKeyTab)) {
        // In a lock panel's password field the key handler has already
        // served the departure (a panel may leave nowhere else to go); the
        // focus move that follows is not a second one.
        const bool served =
            focus == control(controls::Ed_SENHA) || focus == control(controls::Ed_SENHAM);
        departure_taken_ = served ? focus : nullptr;
        move_focus_as_tab(focus ? focus : msg.hwnd, code == kKeyTab && shift);
        departure_taken_ = nullptr;
        return true;
    }
    return false;
}

// Tab: the next control of the focus order that is shown and enabled; in
// the operators grid the next cell first.
void MainWindow::move_focus_as_tab(HWND from, bool backward) {
    if (grid_ && (from == grid_->hwnd() || from == grid_->editor())) {
        if (grid_->tab(backward)) {
            ::SetFocus(grid_->hwnd());
            return;
        }
        from = grid_->hwnd();
    }
    std::vector<const form::Control*> order;
    for (const form::Control& c : form::all())
        if (c.tab_order > 0) order.push_back(&c);
    std::sort(order.begin(), order.end(), [](const form::Control* a, const form::Control* b) {
        return a->tab_order < b->tab_order;
    });
    const int count = static_cast<int>(order.size());
    int at = backward ? count : -1;
    for (int i = 0; i < count; ++i)
        if (control(order[static_cast<std::size_t>(i)]->name) == from) at = i;
    for (int step = 1; step <= count; ++step) {
        const int i = ((at + (backward ? -step : step)) % count + count) % count;
        const form::Control& next = *order[static_cast<std::size_t>(i)];
        const HWND target = control(next.name);
        if (!::IsWindowVisible(target) || !::IsWindowEnabled(target)) continue;
        if (next.kind == form::Kind::OptionButton) {
            // The focus alone picks no option: the choice stays as it was.
            const HWND group = ::GetParent(target);
            std::vector<std::pair<HWND, LRESULT>> checks;
            for (HWND b = ::GetWindow(group, GW_CHILD); b; b = ::GetWindow(b, GW_HWNDNEXT))
                checks.emplace_back(b, ::SendMessageW(b, BM_GETCHECK, 0, 0));
            ::SetFocus(target);
            for (const auto& [b, state] : checks)
                ::SendMessageW(b, BM_SETCHECK, static_cast<WPARAM>(state), 0);
        } else {
            ::SetFocus(target);
        }
        if (next.kind == form::Kind::MaskedEdit) ::SendMessageW(target, EM_SETSEL, 0, -1);
        return;
    }
}

// A shown lock panel really locks: nothing under it takes the focus or
// input, by mouse or by keyboard.
void MainWindow::apply_locks() {
    const bool login = shown_itself(control(controls::Frm_SENHA));
    const bool master = shown_itself(control(controls::Frm_SENHAM));
    // Every control the handlers may lock behind a panel: the ones that can
    // take the focus.
    for (const form::Control& c : form::all()) {
        if (c.tab_order == 0) continue;
        ::EnableWindow(control(c.name), is_locked(c.name, login, master) ? FALSE : TRUE);
    }
    ::InvalidateRect(control(controls::Pst_ORELHAS), nullptr, FALSE);
}

void MainWindow::panel_shown_or_hidden() {
    apply_locks();
}

void MainWindow::set_pointer(HCURSOR cursor) {
    pointer_ = cursor;
    if (cursor) ::SetCursor(cursor);
}

} // namespace qv::win32
