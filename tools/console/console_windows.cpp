// Built on Windows only; elsewhere the file is empty, so a tool that reads
// every source (clang-tidy with the Linux build's commands) needs no
// Windows headers.
#if defined(_WIN32)

#include "tools/console/console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include <windows.h>

#include <shellapi.h>

namespace qv::console {
namespace {

std::string to_utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        (void)WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                  out.data(), n, nullptr, nullptr);
    }
    return out;
}

std::wstring to_wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        (void)MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  out.data(), n);
    }
    return out;
}

bool is_console(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// Closes a console handle on every way out.
struct Handle {
    HANDLE h;
    explicit Handle(const wchar_t* name)
        : h(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) (void)CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

} // namespace

std::vector<std::string> arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv + (argc > 0 ? 1 : 0), argv + argc};
    std::vector<std::string> out;
    for (int i = 1; i < count; ++i)
        out.push_back(to_utf8(wide[i]));
    (void)LocalFree(wide);
    return out;
}

StandardStreams::StandardStreams() {
    for (std::FILE* stream : {stdin, stdout, stderr})
        (void)_setmode(_fileno(stream), _O_BINARY);
    // The code page belongs to the console, which stderr may share even when
    // stdout goes to a file.
    if (is_console(STD_OUTPUT_HANDLE) || is_console(STD_ERROR_HANDLE)) {
        const UINT previous = GetConsoleOutputCP();
        if (previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) != 0) previous_code_page_ = previous;
    }
}

StandardStreams::~StandardStreams() {
    (void)std::fflush(stdout);
    (void)std::fflush(stderr);
    if (previous_code_page_ != 0) (void)SetConsoleOutputCP(previous_code_page_);
}

std::optional<bool> ask_on_terminal(std::string_view question) {
    const Handle in(L"CONIN$");
    const Handle out(L"CONOUT$");
    if (in.h == INVALID_HANDLE_VALUE || out.h == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::wstring text = to_wide(question);
    DWORD written = 0;
    if (WriteConsoleW(out.h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) == 0)
        return std::nullopt;
    DWORD mode = 0;
    if (GetConsoleMode(in.h, &mode) == 0) return std::nullopt;
    (void)SetConsoleMode(in.h, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    // The whole line is read, so nothing typed is left for the shell.
    wchar_t first = L'\0';
    bool any = false;
    for (;;) {
        wchar_t chunk[64];
        DWORD got = 0;
        if (ReadConsoleW(in.h, chunk, 64, &got, nullptr) == 0 || got == 0) break;
        if (!any) first = chunk[0];
        any = true;
        if (std::wstring_view(chunk, got).find(L'\n') != std::wstring_view::npos) break;
    }
    (void)SetConsoleMode(in.h, mode);
    return first == L's' || first == L'S';
}

} // namespace qv::console

#endif // _WIN32
