#include "tests/support/exports.h"

#include "shared/platform/platform.h"
#include "tests/support/files.h"
#include "tests/support/program.h"

#include <cstdint>
#include <cstring>
#include <sstream>

namespace qv::test {

namespace {

// Little-endian fields of the PE file, read with bounds checks.
class Image {
  public:
    explicit Image(std::string bytes) : bytes_(std::move(bytes)) {}
    bool fits(std::uint64_t at, std::uint64_t n) const {
        return at <= bytes_.size() && n <= bytes_.size() - at;
    }
    std::uint32_t u32(std::uint64_t at) const { return read(at, 4); }
    std::uint16_t u16(std::uint64_t at) const { return static_cast<std::uint16_t>(read(at, 2)); }
    // The file offset of a virtual address; nullopt outside every section.
    std::optional<std::uint64_t> offset(std::uint32_t rva) const {
        for (std::uint16_t i = 0; i < sections_; ++i) {
            const std::uint64_t s = section_table_ + 40ull * i;
            const std::uint32_t start = u32(s + 12), size = u32(s + 16);
            if (rva >= start && rva - start < size) return u32(s + 20) + (rva - start);
        }
        return std::nullopt;
    }
    std::optional<std::string> text(std::uint32_t rva) const {
        const auto at = offset(rva);
        if (!at || !fits(*at, 1)) return std::nullopt;
        const std::size_t end = bytes_.find('\0', *at);
        if (end == std::string::npos) return std::nullopt;
        return bytes_.substr(*at, end - *at);
    }
    void set_sections(std::uint64_t table, std::uint16_t count) {
        section_table_ = table;
        sections_ = fits(table, 40ull * count) ? count : 0;
    }

  private:
    std::uint32_t read(std::uint64_t at, int n) const {
        std::uint32_t v = 0;
        for (int i = n - 1; fits(at, static_cast<std::uint64_t>(n)) && i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes_[at + static_cast<std::uint64_t>(i)]);
        return v;
    }
    std::string bytes_;
    std::uint64_t section_table_ = 0;
    std::uint16_t sections_ = 0;
};

// A Windows DLL's names, read from its export table (only the Windows
// build reads DLLs).
[[maybe_unused]] std::optional<std::vector<std::string>>
pe_export_names(const std::filesystem::path& library) {
    Image image(read_file(library));
    const std::uint32_t pe = image.u32(0x3C);
    if (!image.fits(pe, 24) || image.u32(pe) != 0x00004550) return std::nullopt; // "PE\0\0"
    const std::uint64_t optional = pe + 24;
    const std::uint16_t magic = image.u16(optional);
    if (magic != 0x10B && magic != 0x20B) return std::nullopt;
    image.set_sections(optional + image.u16(pe + 20), image.u16(pe + 6));
    // The export directory is the first entry of the data directories.
    const std::uint32_t directory = image.u32(optional + (magic == 0x20B ? 112 : 96));
    std::vector<std::string> names;
    if (directory == 0) return names;
    const auto at = image.offset(directory);
    if (!at || !image.fits(*at, 40)) return std::nullopt;
    const std::uint32_t count = image.u32(*at + 24);
    const auto table = image.offset(image.u32(*at + 32));
    if (!table || !image.fits(*table, 4ull * count)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto name = image.text(image.u32(*table + 4ull * i));
        if (!name) return std::nullopt;
        names.push_back(*name);
    }
    return names;
}

// An ELF library's names, as `nm` lists them.
std::optional<std::vector<std::string>> elf_export_names(const std::filesystem::path& library) {
    const ProgramRun r = run_program("nm", {"-D", "--defined-only", library.string()});
    if (r.status != 0) return std::nullopt;
    std::istringstream in(r.out);
    std::vector<std::string> names;
    for (std::string addr, kind, name; in >> addr >> kind >> name;)
        names.push_back(name);
    return names;
}

} // namespace

std::optional<std::vector<std::string>> exported_names(const std::filesystem::path& library) {
    if constexpr (platform::kWindows) return pe_export_names(library);
    return elf_export_names(library);
}

} // namespace qv::test
