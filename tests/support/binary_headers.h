// The first bytes of program and library files, made by the tests: enough
// of a Windows (PE) or ELF header for a reader of the word size, and for a
// loader to refuse the file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::test {

// IMAGE_FILE_MACHINE_* values.
inline constexpr std::uint16_t kMachineI386 = 0x014c;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kMachineArm64 = 0xaa64;

// A DOS stub whose e_lfanew points at "PE\0\0" and the machine, then zeros
// up to `size` bytes (at least the machine's end).
inline std::string pe_header(std::uint16_t machine, std::size_t size = 512) {
    constexpr std::size_t kPe = 0x40;
    std::string bytes(std::max<std::size_t>(size, kPe + 6), '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3c] = static_cast<char>(kPe);
    bytes.replace(kPe, 4, std::string("PE\0\0", 4));
    bytes[kPe + 4] = static_cast<char>(machine & 0xff);
    bytes[kPe + 5] = static_cast<char>(machine >> 8);
    return bytes;
}

// An ELF identification of class `elf_class` (1: 32-bit, 2: 64-bit),
// little-endian, then zeros up to 64 bytes.
inline std::string elf_header(int elf_class) {
    std::string bytes(64, '\0');
    bytes.replace(0, 4,
                  "\x7f"
                  "ELF");
    bytes[4] = static_cast<char>(elf_class);
    bytes[5] = 1; // little-endian
    bytes[6] = 1; // version
    return bytes;
}

// A library of the other word size than this program's, for this system's
// loader: a PE header on Windows, an ELF one elsewhere.
inline std::string other_size_library(bool windows, int program_bits) {
    if (windows) return pe_header(program_bits == 64 ? kMachineI386 : kMachineAmd64);
    return elf_header(program_bits == 64 ? 1 : 2);
}

} // namespace qv::test
