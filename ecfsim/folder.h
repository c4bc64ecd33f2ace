// The simulator's folder: where its memory, settings, status, faults and
// paper live. Every file is replaced atomically (written beside, then
// renamed), and one call at a time holds the folder's lock.
#pragma once

#include "shared/platform/platform.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv::ecfsim {

inline constexpr std::string_view kMemoryFile = "estado.txt";
inline constexpr std::string_view kConfigFile = "configuracao.txt";
inline constexpr std::string_view kStatusFile = "status.txt";
inline constexpr std::string_view kTapeFile = "bobina.txt";
inline constexpr std::string_view kFaultFile = "falhas";
inline constexpr std::string_view kBadFaultFile = "falhas.invalido";
inline constexpr std::string_view kImportedFaults = "falhas-ambiente.txt";
inline constexpr std::size_t kMaxFileSize = 4 << 20;

// ECFSIM_DIR, or "ecf-simulado" in the working directory.
std::filesystem::path simulator_dir();

// The whole file. A file that does not exist gives `exists` false; one that
// cannot be read or is larger than kMaxFileSize gives `unreadable` (and
// `exists`), with no text.
struct FileText {
    bool exists = false;
    bool unreadable = false;
    std::string text;
};
FileText read_file(const std::filesystem::path& path);
// Replaces the file whole. `durable`: flushed to disk before and after the
// rename (the fiscal memory and settings); the status and fault files only
// need to be whole, not to survive a power cut.
bool write_atomically(const std::filesystem::path& path, std::string_view text,
                      bool durable = true);
bool append_to(const std::filesystem::path& path, std::string_view text);
// Appends `text` whole or not at all (a write that falls short is taken back)
// and gives the file's size before it, or nullopt when nothing was appended.
std::optional<std::uintmax_t> append_whole(const std::filesystem::path& path,
                                           std::string_view text);
// Cuts the file back to `size` bytes (takes an append back).
bool truncate_file(const std::filesystem::path& path, std::uintmax_t size);

// Holds the folder for one call (creates it when missing).
class FolderLock {
  public:
    explicit FolderLock(const std::filesystem::path& dir) : lock_(platform::path_text(dir)) {}
    bool ok() const { return lock_.ok(); }

  private:
    platform::FolderLock lock_;
};

} // namespace qv::ecfsim
