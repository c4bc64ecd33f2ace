// The system's own calls under the platform layer, one small step each:
// posix.cpp and windows.cpp bring them, common.cpp builds the layer's
// sequences (the replace, the append, the lock, the lookups) on them once.
// Internal to shared/platform/.
#pragma once

#include "shared/platform/platform.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qv::platform::detail {

#ifdef _WIN32
// Both separators are read in a path.
inline constexpr std::string_view kSeparators = "\\/";
// Names are compared without case, so the letters are of one case.
inline constexpr std::string_view kTemporaryLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr const char* kStateVariable = "LOCALAPPDATA";
inline constexpr const char* kConfigVariable = "APPDATA";
#else
inline constexpr std::string_view kSeparators = "/";
inline constexpr std::string_view kTemporaryLetters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr const char* kStateVariable = "XDG_STATE_HOME";
inline constexpr const char* kConfigVariable = "XDG_CONFIG_HOME";
#endif

// The system's error codes of each kind of fault the program tells apart.
struct FaultCodes {
    std::span<const long> not_found;
    std::span<const long> no_access;
    std::span<const long> no_space;
};
// The kind of the system's error `code`: none for 0 (no error), other for a
// code no list holds.
Fault fault_of(long code, const FaultCodes& codes);

// Reads once, retrying when interrupted: the count read, 0 at the end (a
// pipe whose writer has gone included), nullopt on an error.
std::optional<std::size_t> read_some(File& file, std::span<char> buffer);
// Writes once, retrying when interrupted: the count written, never 0 (a
// write that moves nothing fails as a full disk); nullopt on an error.
std::optional<std::size_t> write_some(File& file, std::string_view data);

// Creates the file `path` for writing, exclusively: whatever stands at the
// name (a planted link included) is never opened. `taken` tells a failure
// because the name exists from any other. `owner_only`: readable by the
// owner alone, and never created otherwise.
File create_exclusive(const std::string& path, bool owner_only, bool& taken);
// Removes the file (or the link) at `path`.
bool remove_file(const std::string& path);
// Renames `from` over `to` in one step; `durable`: the rename is on the
// disk when the call returns, where the system can promise it in the call.
bool rename_over(const std::string& from, const std::string& to, bool durable);
// Makes the renames in `folder` durable, where the system needs a call for
// it (ignored when it fails: the data is safe either way).
void flush_folder(const std::string& folder);
// Cuts the file at `path` back to `size` bytes.
bool truncate_path(const std::string& path, std::uint64_t size);
// Waits for the exclusive lock of the whole file; held until it closes.
bool lock_whole(File& file);

// The running executable's full path; empty when unknown.
std::string executable_path();
// The user's state or configuration folder when no variable names it;
// empty when the user has no home.
enum class UserFolder { state, config };
std::string default_user_folder(UserFolder which);

} // namespace qv::platform::detail
