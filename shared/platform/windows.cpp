// The platform layer on Windows. Paths arrive in UTF-8 and reach the system
// as UTF-16 (the wide functions); every file is binary, a raw HANDLE with no
// text-mode translation anywhere.
#include "shared/platform/detail.h"
#include "shared/platform/windows_facts.h"

// Built only for Windows (shared/CMakeLists.txt); the guard keeps a tool
// that reads every source on another system (clang-tidy) from failing here.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <aclapi.h>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <shlobj.h>
#include <vector>

namespace qv::platform {

namespace {

HANDLE handle_of(std::intptr_t native) {
    return reinterpret_cast<HANDLE>(native); // NOLINT(performance-no-int-to-ptr)
}

std::intptr_t native_of(HANDLE h) {
    return h == INVALID_HANDLE_VALUE || h == nullptr ? -1 : reinterpret_cast<std::intptr_t>(h);
}

// UTF-8 to UTF-16. A text that is not UTF-8, or that holds a NUL (which
// would name some other, shorter file), is no name at all.
std::optional<std::wstring> widen(std::string_view utf8) {
    if (utf8.find('\0') != std::string_view::npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    if (utf8.empty()) return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int n =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt; // ERROR_NO_UNICODE_TRANSLATION is set
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), n);
    return wide;
}

// UTF-16 to UTF-8 (a lone surrogate becomes U+FFFD).
std::string narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

// Every file is shared for reading, writing and deleting, as on POSIX: a
// reader never stops the replace from renaming over the file it reads.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE create_file(const std::string& path, DWORD access, DWORD disposition,
                   SECURITY_ATTRIBUTES* security = nullptr, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    const std::optional<std::wstring> wide = widen(path);
    if (!wide) return INVALID_HANDLE_VALUE;
    return ::CreateFileW(wide->c_str(), access, kShareAll, security, disposition, flags, nullptr);
}

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

bool is_absolute_path(std::string_view path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && is_separator(path[2]);
    const bool unc = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
    return drive || unc;
}

std::string environment_variable(const char* name) {
    const std::optional<std::wstring> wide_name = widen(name);
    if (!wide_name || wide_name->empty()) return {};
    // The value may change between the two calls: asked again until it fits.
    std::wstring value;
    for (DWORD room = 256;;) {
        value.resize(room);
        const DWORD n = ::GetEnvironmentVariableW(wide_name->c_str(), value.data(), room);
        if (n == 0) return {};
        if (n < room) {
            value.resize(n);
            return narrow(value);
        }
        room = n;
    }
}

namespace {

// Owner-only access, as mode 0600 on POSIX: a protected DACL (nothing
// inherited from the folder) with one entry, full access for the user who
// runs the program.
class OwnerOnly {
  public:
    OwnerOnly() {
        HANDLE token = nullptr;
        if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) return;
        DWORD size = 0;
        (void)::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize(size);
        const bool got =
            size > 0 && ::GetTokenInformation(token, TokenUser, user_.data(), size, &size) != 0;
        ::CloseHandle(token);
        if (!got) return;
        PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        const DWORD acl_size =
            sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid);
        acl_.resize(acl_size);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (::InitializeAcl(acl, acl_size, ACL_REVISION) == 0 ||
            ::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) == 0 ||
            ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) == 0 ||
            ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) == 0 ||
            ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED) == 0)
            return;
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
        ok_ = true;
    }
    OwnerOnly(const OwnerOnly&) = delete;
    OwnerOnly& operator=(const OwnerOnly&) = delete;
    SECURITY_ATTRIBUTES* attributes() { return ok_ ? &attributes_ : nullptr; }

  private:
    std::vector<unsigned char> user_;
    std::vector<unsigned char> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ok_ = false;
};

} // namespace

std::string last_error_text() {
    const DWORD error = ::GetLastError();
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty()) return "erro " + std::to_string(error);
    ::SetLastError(error); // the text leaves the fault as it found it
    return narrow(message);
}

Fault last_fault() {
    static constexpr long kNotFound[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND};
    static constexpr long kNoAccess[] = {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                                         ERROR_LOCK_VIOLATION, ERROR_WRITE_PROTECT};
    static constexpr long kNoSpace[] = {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL};
    return detail::fault_of(static_cast<long>(::GetLastError()), {kNotFound, kNoAccess, kNoSpace});
}

File File::open(const std::string& path, Access access, Fault* fault) {
    DWORD rights = 0;
    DWORD disposition = OPEN_EXISTING;
    switch (access) {
    case Access::read:
        rights = GENERIC_READ;
        break;
    case Access::append:
        // Append data only: every write lands at the end, as O_APPEND.
        rights = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
        break;
    case Access::append_or_create:
        rights = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
        disposition = OPEN_ALWAYS;
        break;
    case Access::create_new:
        rights = GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    case Access::lock:
        rights = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        break;
    }
    File file(native_of(create_file(path, rights, disposition)));
    if (!file.is_open() && fault != nullptr) *fault = last_fault();
    return file;
}

Fault probe_file(const std::string& path) {
    // Backup semantics open a folder too, as POSIX open does for reading.
    const HANDLE h = create_file(path, GENERIC_READ, OPEN_EXISTING, nullptr,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS);
    if (h != INVALID_HANDLE_VALUE) {
        (void)::CloseHandle(h); // the outcome of the close is of no interest
        return Fault::none;
    }
    static constexpr long kNotFound[] = {
        ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,        ERROR_INVALID_NAME,  ERROR_BAD_PATHNAME,
        ERROR_DIRECTORY,      ERROR_FILENAME_EXCED_RANGE,  ERROR_INVALID_DRIVE, ERROR_BAD_NETPATH,
        ERROR_BAD_NET_NAME,   ERROR_NO_UNICODE_TRANSLATION};
    static constexpr long kNoAccess[] = {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                                         ERROR_LOCK_VIOLATION};
    return detail::fault_of(static_cast<long>(::GetLastError()), {kNotFound, kNoAccess, {}});
}

namespace {

File duplicate_standard(DWORD which) {
    const HANDLE h = ::GetStdHandle(which);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return {};
    HANDLE copy = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (::DuplicateHandle(self, h, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS) == 0) return {};
    return File(native_of(copy));
}

} // namespace

File File::standard_input() {
    return duplicate_standard(STD_INPUT_HANDLE);
}

File File::standard_output() {
    return duplicate_standard(STD_OUTPUT_HANDLE);
}

bool File::close() {
    if (native_ == kNone) return true;
    const HANDLE h = handle_of(native_);
    native_ = kNone;
    return ::CloseHandle(h) != 0;
}

bool File::is_regular() const {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileType(handle_of(native_)) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandle(handle_of(native_), &info) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The profile folders that hold the user's files admit only that user (and
// the administrators); a file's own access list is not examined.
bool File::others_may_access() const {
    return false;
}

std::optional<std::uint64_t> File::size() const {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handle_of(native_), &size) == 0) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool File::truncate(std::uint64_t size) {
    // A handle opened to append cannot move the end of the file: a second
    // handle to the same file, with write access, does it.
    const HANDLE write = ::ReOpenFile(handle_of(native_), GENERIC_WRITE, kShareAll, 0);
    if (write == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    const bool done =
        ::SetFilePointerEx(write, at, nullptr, FILE_BEGIN) != 0 && ::SetEndOfFile(write) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(write);
    ::SetLastError(error);
    return done;
}

bool File::flush() {
    return ::FlushFileBuffers(handle_of(native_)) != 0;
}

namespace detail {

namespace {

// One call moves at most this much: the system counts in 32 bits.
constexpr std::size_t kChunk = std::size_t{1} << 30;

} // namespace

std::optional<std::size_t> read_some(File& file, std::span<char> buffer) {
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(buffer.size(), kChunk));
    if (::ReadFile(handle_of(file.native()), buffer.data(), want, &n, nullptr) == 0) {
        // A pipe whose writer has gone has ended, as a file does.
        if (::GetLastError() == ERROR_BROKEN_PIPE || ::GetLastError() == ERROR_HANDLE_EOF) return 0;
        return std::nullopt;
    }
    return n;
}

std::optional<std::size_t> write_some(File& file, std::string_view data) {
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(data.size(), kChunk));
    if (::WriteFile(handle_of(file.native()), data.data(), want, &n, nullptr) == 0)
        return std::nullopt;
    if (n == 0) {
        ::SetLastError(ERROR_DISK_FULL);
        return std::nullopt;
    }
    return n;
}

// CREATE_NEW never opens what stands at the name, a planted link included.
File create_exclusive(const std::string& path, bool owner_only, bool& taken) {
    OwnerOnly owner;
    SECURITY_ATTRIBUTES* security = owner_only ? owner.attributes() : nullptr;
    taken = false;
    if (owner_only && security == nullptr) return {}; // never a file others may read
    File file(native_of(create_file(path, GENERIC_WRITE, CREATE_NEW, security)));
    if (file.is_open()) return file;
    const DWORD error = ::GetLastError();
    taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return {};
}

bool remove_file(const std::string& path) {
    const std::optional<std::wstring> wide = widen(path);
    return wide && ::DeleteFileW(wide->c_str()) != 0;
}

bool rename_over(const std::string& from, const std::string& to, bool durable) {
    const std::optional<std::wstring> wide_from = widen(from);
    const std::optional<std::wstring> wide_to = widen(to);
    // Write-through: the move itself is on the disk when the call returns.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
    return wide_from && wide_to && ::MoveFileExW(wide_from->c_str(), wide_to->c_str(), flags) != 0;
}

void flush_folder(const std::string& /*folder*/) {
    // The write-through move has made the rename durable already.
}

bool truncate_path(const std::string& path, std::uint64_t size) {
    File file(native_of(create_file(path, GENERIC_WRITE, OPEN_EXISTING)));
    return file.is_open() && file.truncate(size);
}

bool lock_whole(File& file) {
    OVERLAPPED whole{};
    // Waits for the lock over the whole file; released when the handle closes.
    return ::LockFileEx(handle_of(file.native()), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD,
                        &whole) != 0;
}

std::string executable_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return narrow(path);
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

// The user's known folder for it.
std::string default_user_folder(UserFolder which) {
    PWSTR path = nullptr;
    std::string folder;
    const KNOWNFOLDERID& known =
        which == UserFolder::state ? FOLDERID_LocalAppData : FOLDERID_RoamingAppData;
    if (SUCCEEDED(::SHGetKnownFolderPath(known, KF_FLAG_DONT_VERIFY, nullptr, &path)))
        folder = narrow(path);
    ::CoTaskMemFree(path);
    return folder;
}

} // namespace detail

void* load_library(const std::string& path, std::string& error) {
    const std::optional<std::wstring> wide = widen(path);
    if (!wide) {
        error = path + ": " + last_error_text();
        return nullptr;
    }
    // A library named by its full path finds the libraries it needs in its
    // own folder; a missing one is reported here, never in a dialog box.
    const DWORD flags = is_absolute_path(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
    DWORD old_mode = 0;
    const bool quiet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old_mode) != 0;
    HMODULE h = ::LoadLibraryExW(wide->c_str(), nullptr, flags);
    if (quiet) {
        const DWORD e = ::GetLastError();
        ::SetThreadErrorMode(old_mode, nullptr);
        ::SetLastError(e);
    }
    if (h == nullptr) error = path + ": " + last_error_text();
    return reinterpret_cast<void*>(h);
}

void* find_function(void* library, const char* name) {
    const FARPROC f = ::GetProcAddress(static_cast<HMODULE>(library), name);
    void* address = nullptr;
    static_assert(sizeof address == sizeof f);
    std::memcpy(&address, &f, sizeof address);
    return address;
}

bool make_folders(const std::string& folder) {
    const std::optional<std::wstring> wide = widen(folder);
    if (!wide || wide->empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(*wide), error);
    return !error;
}

std::string path_text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path path_from_text(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::vector<std::string> program_library_folders(const std::string& exe_folder) {
    return {exe_folder};
}

std::string program_system_config_folder(const std::string& exe_folder) {
    return exe_folder;
}

std::string driver_log_default_path() {
    return std::string(windows::kDriverLogPath);
}

std::string web_browser_command_line(std::string_view address) {
    return std::string(windows::kBrowserCommand) + " " + std::string(address);
}

LocalTime local_time_now() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds / 10};
}

} // namespace qv::platform

#endif // _WIN32
