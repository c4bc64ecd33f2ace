// The word size of a program or library file, from its header: what a
// loader refuses when a library of the other size is chosen, named to the
// technician instead of a bare "not loaded".
#include "shared/platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::platform {

namespace {

// The headers read lie in the first bytes; a PE header further in than this
// is not looked for.
constexpr std::size_t kHeadSize = 4096;

std::uint32_t little_endian(std::span<const char> bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// IMAGE_FILE_MACHINE_* of the machines Windows runs on.
int pe_machine_bits(std::uint32_t machine) {
    switch (machine) {
    case 0x014c: // i386
    case 0x01c4: // ARMv7 (thumb-2)
        return 32;
    case 0x8664: // x86_64
    case 0xaa64: // ARM64
        return 64;
    default:
        return 0;
    }
}

int pe_bits(std::span<const char> head) {
    constexpr std::size_t kNewHeaderOffset = 0x3c; // e_lfanew
    if (head.size() < kNewHeaderOffset + 4) return 0;
    const std::size_t pe = little_endian(head, kNewHeaderOffset, 4);
    if (pe > head.size() || head.size() - pe < 6) return 0;
    if (std::string_view(head.data() + pe, 4) != std::string_view("PE\0\0", 4)) return 0;
    return pe_machine_bits(little_endian(head, pe + 4, 2));
}

int elf_bits(std::span<const char> head) {
    constexpr std::size_t kClass = 4; // EI_CLASS: 1 is 32-bit, 2 is 64-bit
    if (head.size() <= kClass) return 0;
    switch (head[kClass]) {
    case 1:
        return 32;
    case 2:
        return 64;
    default:
        return 0;
    }
}

} // namespace

int binary_bits(std::span<const char> head) {
    const std::string_view start(head.data(), std::min<std::size_t>(head.size(), 4));
    if (start.starts_with("MZ")) return pe_bits(head);
    if (start == "\x7f"
                 "ELF")
        return elf_bits(head);
    return 0;
}

int binary_bits_of_file(const std::string& path) {
    File file = File::open(path, Access::read);
    if (!file.is_open() || !file.is_regular()) return 0;
    std::string head(kHeadSize, '\0');
    const std::optional<std::size_t> got = read_full(file, head);
    if (!got) return 0;
    head.resize(*got);
    return binary_bits(head);
}

} // namespace qv::platform
