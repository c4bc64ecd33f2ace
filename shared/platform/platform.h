// What the program needs from the operating system, in one place: files
// that close themselves, reads and writes that finish, the durable replace
// of a whole file, the whole-record append, the folder lock, the loader and
// the program's own folders. Paths are UTF-8; no system type shows here, so
// each system brings its own source file behind this header. The sequences
// built on the system's calls are written once (common.cpp); each system's
// file holds only its calls (detail.h) and its places.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::platform {

// Why a call failed, in the kinds the program tells apart.
enum class Fault { none, not_found, no_access, no_space, other };

// The system's text for the last failure of this thread.
std::string last_error_text();

enum class Access {
    read,             // an existing file, for reading
    append,           // an existing file, writes at its end
    append_or_create, // writes at the end, created when missing
    create_new,       // a new file; fails when the name exists
    lock,             // the lock file, created when missing
};

// Owns one open file; closes it on every way out.
class File {
  public:
    File() = default;
    static File open(const std::string& path, Access access, Fault* fault = nullptr);
    // Takes ownership of a system handle (a descriptor on POSIX).
    explicit File(std::intptr_t native) : native_(native) {}
    std::intptr_t native() const { return native_; }
    // The standard streams, each opened as a copy of its own.
    static File standard_input();
    static File standard_output();
    File(File&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { (void)close(); }

    bool is_open() const { return native_ != kNone; }
    // Closes now; false when the close reported an error (a late write error).
    bool close();
    // A regular file (not a folder, device or pipe).
    bool is_regular() const;
    // Users other than the owner may read or write the file (a secret such
    // as a certificate's password must not be). POSIX: any group or other
    // permission bit. Windows: false, the user's profile folders being
    // closed to other users already.
    bool others_may_access() const;
    std::optional<std::uint64_t> size() const;
    bool truncate(std::uint64_t size);
    // Flushes the data to the disk.
    bool flush();

  private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t native_ = kNone;
};

// Reads until `buffer` is full or the file ends, retrying when interrupted;
// the count read, or nullopt on an error.
std::optional<std::size_t> read_full(File& file, std::span<char> buffer);
// Writes all of `data`, retrying when interrupted or written in part.
bool write_all(File& file, std::string_view data);
// The fault of the last failed call of this thread.
Fault last_fault();

// Opens `path` for reading and closes it again, reading nothing; a pipe or
// a terminal answers at once. not_found when nothing can stand at that name
// (a missing file or folder on the way, a file used as a folder, a name too
// long), no_access when the system refuses it.
Fault probe_file(const std::string& path);

// The stages of a replace, for tests that stop the process at each.
enum class ReplaceStage { created, half_written, written, flushed, renamed };
using ReplaceObserver = void (*)(ReplaceStage);

struct ReplaceOptions {
    // Flushed to disk before and after the rename; else only whole.
    bool durable = true;
    // Readable by the owner only (the file holds passwords).
    bool owner_only = false;
    // The temporary file is `path` + ".novo", for a caller that holds the
    // folder's lock; else a name of its own, so writers never share one.
    bool fixed_temporary_name = false;
    ReplaceObserver observer = nullptr;
};

// Replaces the file at `path` with `data` in one step: a temporary file
// beside it, created exclusively (a link planted at its name is never
// followed), written, flushed, renamed over `path`, the folder flushed.
// On failure the old file stays and the temporary file is removed.
Fault replace_file(const std::string& path, std::string_view data,
                   const ReplaceOptions& options = {});

// Appends `data` whole or not at all (a write that falls short is taken
// back); the file's size before it, or nullopt when nothing was appended.
std::optional<std::uint64_t> append_whole(const std::string& path, std::string_view data);

// Holds `folder` for one caller at a time (creates it when missing).
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder);
    bool ok() const { return file_.is_open(); }

  private:
    File file_;
};

// A loaded library, never unloaded; nullptr and `error` set on failure.
void* load_library(const std::string& path, std::string& error);
void* find_function(void* library, const char* name);

// The word size this program was built for: 32 or 64 bits.
inline constexpr int kProgramBits = static_cast<int>(sizeof(void*) * 8);
// The word size (32 or 64) a program or library was built for, read from
// the first bytes of its file: a Windows (PE) file's machine, or an ELF
// file's class; 0 when the bytes are neither, name another machine or end
// too soon. Read by both systems, so either can name what it cannot load.
int binary_bits(std::span<const char> head);
// binary_bits of the regular file at `path`; 0 when it cannot be read.
int binary_bits_of_file(const std::string& path);

// kWindows: true in the Windows build, so that portable code and tests can
// choose a value or skip a step with `if constexpr` instead of a preprocessor
// branch. kFolderSeparator: the separator the system writes between folders
// in a path (both '/' and '\\' are read on Windows).
#ifdef _WIN32
inline constexpr bool kWindows = true;
inline constexpr char kFolderSeparator = '\\';
#else
inline constexpr bool kWindows = false;
inline constexpr char kFolderSeparator = '/';
#endif
// A path that names its place from the root ("/..." on POSIX; "C:\\..." or
// "\\\\server\\..." on Windows).
bool is_absolute_path(std::string_view path);
// The last part of `path`, after its last separator (the whole when none).
std::string_view file_name_of(std::string_view path);
// The folder part of `path`: "." when it names none, the root for a file in
// the root.
std::string folder_of(std::string_view path);
// Makes `folder` and the folders on its way when missing; false when it
// cannot be made (it may still stand).
bool make_folders(const std::string& folder);
// A path as the layer takes it (UTF-8), and back.
std::string path_text(const std::filesystem::path& path);
std::filesystem::path path_from_text(std::string_view text);
// The value of the environment variable `name` in UTF-8; empty when unset.
std::string environment_variable(const char* name);

// Keeps the loaded module (library) that holds `address` until the process
// ends, however often it is unloaded. POSIX does it when the library is
// linked (-z nodelete), so there it only answers true.
bool pin_module_of(const void* address);

// The file name the system gives the shared library `name` (a string
// literal): "lib" name ".so" on POSIX, name ".dll" on Windows.
#ifdef _WIN32
#define QV_SHARED_LIBRARY_FILE(name) name ".dll"
#else
#define QV_SHARED_LIBRARY_FILE(name) "lib" name ".so"
#endif

// The folder of the running executable; empty when unknown.
std::string executable_folder();
// The folders that may hold the program's own libraries, most likely first:
// `exe_folder`, and on POSIX the installed layout's lib/quiterval and lib.
std::vector<std::string> program_library_folders(const std::string& exe_folder);
// The folder of the configuration for every user, for a program whose
// executable stands in `exe_folder`. POSIX: etc/quiterval beside the
// installation's prefix, /etc/quiterval for a program under /usr or of
// unknown place. Windows: the programs' folder itself (empty when unknown).
std::string program_system_config_folder(const std::string& exe_folder);
// Where the printer driver's log stands unless the user names it. POSIX:
// <state folder>/quiterval/DARUMA.txt, empty when the user has no home.
// Windows: the fixed path of windows_facts.h.
std::string driver_log_default_path();
// The command line that opens the web site `address` (no scheme) in the
// user's browser. POSIX: xdg-open with https:// before the address (without
// a scheme xdg-open takes it for a missing file). Windows: the fixed
// browser of windows_facts.h, a blank, the bare address.
std::string web_browser_command_line(std::string_view address);
// The user's folders for state (logs) and configuration, without the
// program's own subfolder; empty when the user has no home. POSIX:
// $XDG_STATE_HOME and $XDG_CONFIG_HOME when absolute, else ~/.local/state and
// ~/.config. Windows: %LOCALAPPDATA% and %APPDATA% when absolute, else the
// system's known folders for them.
std::string user_state_folder();
std::string user_config_folder();

// The local time now, to the hundredth of a second.
struct LocalTime {
    int year = 0; // four digits
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int hundredths = 0;
};
LocalTime local_time_now();

} // namespace qv::platform
