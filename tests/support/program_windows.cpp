// Programs run for tests on Windows: CreateProcessW with inherited handles,
// anonymous pipes.
#include "tests/support/program.h"

#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/wide_text.h"

#include <algorithm>

#include <windows.h>

namespace qv::test {

namespace fs = std::filesystem;

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            q.append(backslashes * 2, L'\\');
            break;
        }
        q.append(*it == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        q.push_back(*it);
    }
    q.push_back(L'"');
    return q;
}

std::wstring command_line(const fs::path& program, const std::vector<std::string>& args) {
    std::wstring line = quoted(program.wstring());
    for (const std::string& a : args)
        line += L" " + quoted(wide(a));
    return line;
}

std::string last_error() {
    return "error " + std::to_string(::GetLastError());
}

int exit_status(HANDLE process) {
    ::WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) return -1;
    return static_cast<int>(code);
}

// Starts `program` with the given standard handles (inherited); the process
// handle, or nullptr with `error` set.
HANDLE start(const fs::path& program, const std::vector<std::string>& args, HANDLE in, HANDLE out,
             HANDLE err, const RunOptions& options, std::string& error) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    std::wstring line = command_line(program, args);
    const std::wstring folder = options.folder.wstring();
    PROCESS_INFORMATION pi{};
    // A bare name is looked for as the system does (the PATH included).
    const std::wstring application = program.has_parent_path() ? program.wstring() : L"";
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr,
                          nullptr, TRUE, options.without_terminal ? DETACHED_PROCESS : 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        error = "cannot start " + utf8(program) + ": " + last_error();
        return nullptr;
    }
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

} // namespace

ProgramRun run_program(const fs::path& program, const std::vector<std::string>& args,
                       const RunOptions& options) {
    const ScratchFolder files("qv-run");
    write_file(files.path() / "in", options.input);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    auto open = [&](const char* name, bool input) {
        return ::CreateFileW((files.path() / name).wstring().c_str(),
                             input ? GENERIC_READ : GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             input ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE in = open("in", true), out = open("out", false), err = open("err", false);
    ProgramRun r;
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        r.err = "cannot make the standard files: " + last_error();
    } else if (HANDLE process = start(program, args, in, out, err, options, r.err)) {
        r.status = exit_status(process);
        ::CloseHandle(process);
    }
    for (HANDLE h : {in, out, err})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (r.err.empty()) {
        r.out = read_file(files.path() / "out");
        r.err = read_file(files.path() / "err");
    }
    return r;
}

fs::path this_program() {
    std::wstring name(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    name.resize(n);
    return fs::path(name);
}

void kill_this_process() {
    ::TerminateProcess(::GetCurrentProcess(), kKilledStatus);
    for (;;) // the call does not come back for its own process
        ::Sleep(INFINITE);
}

struct ProgramSession::Handles {
    HANDLE process = nullptr;
    HANDLE to = nullptr;   // the program's input
    HANDLE from = nullptr; // the program's output
    int status = -1;
};

ProgramSession::ProgramSession(const fs::path& program, const std::vector<std::string>& args)
    : handles_(std::make_unique<Handles>()) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE child_in = nullptr, child_out = nullptr;
    if (!::CreatePipe(&child_in, &handles_->to, &inherited, 0)) return;
    if (!::CreatePipe(&handles_->from, &child_out, &inherited, 0)) {
        ::CloseHandle(child_in);
        return;
    }
    // Only the child's ends are inherited.
    ::SetHandleInformation(handles_->to, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(handles_->from, HANDLE_FLAG_INHERIT, 0);
    std::string error;
    handles_->process = start(program, args, child_in, child_out, ::GetStdHandle(STD_ERROR_HANDLE),
                              RunOptions{}, error);
    ::CloseHandle(child_in);
    ::CloseHandle(child_out);
}

ProgramSession::~ProgramSession() {
    (void)finish();
    if (handles_->from != nullptr) ::CloseHandle(handles_->from);
}

bool ProgramSession::started() const {
    return handles_->process != nullptr;
}

bool ProgramSession::send(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (handles_->to == nullptr ||
            !::WriteFile(handles_->to, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr))
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

std::string ProgramSession::receive(std::size_t count, int seconds) {
    std::string got;
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    while (got.size() < count && handles_->from != nullptr) {
        DWORD ready = 0;
        if (!::PeekNamedPipe(handles_->from, nullptr, 0, nullptr, &ready, nullptr)) break;
        if (ready == 0) {
            if (::GetTickCount64() > deadline) break;
            ::Sleep(5);
            continue;
        }
        std::string buffer(std::min<std::size_t>(ready, count - got.size()), '\0');
        DWORD n = 0;
        if (!::ReadFile(handles_->from, buffer.data(), static_cast<DWORD>(buffer.size()), &n,
                        nullptr))
            break;
        got.append(buffer.data(), n);
    }
    return got;
}

int ProgramSession::finish() {
    if (handles_->to != nullptr) {
        ::CloseHandle(handles_->to);
        handles_->to = nullptr;
    }
    if (handles_->process != nullptr) {
        handles_->status = exit_status(handles_->process);
        ::CloseHandle(handles_->process);
        handles_->process = nullptr;
    }
    return handles_->status;
}

} // namespace qv::test
