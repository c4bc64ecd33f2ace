// The word size read from a program's or library's header, for the message
// that names a printer library of the other size.
#include "shared/platform/platform.h"
#include "tests/support/binary_headers.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::platform {
namespace {

using namespace qv::test;

TEST(BinaryBits, ReadsTheMachineOrClassFromTheHeader) {
    std::string wrong_signature = pe_header(kMachineI386);
    wrong_signature[0x41] = 'X';
    std::string far_header = pe_header(kMachineAmd64);
    far_header[0x3c] = '\x7f'; // e_lfanew beyond the bytes
    far_header[0x3d] = '\x7f';
    struct Case {
        const char* what;
        std::string bytes;
        int bits;
    };
    for (const Case& c : {
             Case{"i386", pe_header(kMachineI386), 32},
             Case{"amd64", pe_header(kMachineAmd64), 64},
             Case{"arm64", pe_header(kMachineArm64), 64},
             Case{"unknown machine", pe_header(0x1234), 0},
             Case{"machine at the very end", pe_header(kMachineI386, 0x46), 32},
             Case{"cut in the machine", pe_header(kMachineI386).substr(0, 0x45), 0},
             Case{"cut before e_lfanew", pe_header(kMachineI386).substr(0, 0x3e), 0},
             Case{"no PE signature", wrong_signature, 0},
             Case{"e_lfanew past the end", far_header, 0},
             Case{"ELF 32", elf_header(1), 32},
             Case{"ELF 64", elf_header(2), 64},
             Case{"ELF of no class", elf_header(0), 0},
             Case{"ELF cut before its class", elf_header(2).substr(0, 4), 0},
             Case{"a text", "biblioteca=simulada\n", 0},
             Case{"MZ alone", "MZ", 0},
             Case{"nothing", "", 0},
         }) {
        EXPECT_EQ(binary_bits(c.bytes), c.bits) << c.what;
    }
}

TEST(BinaryBits, ReadsOnlyARegularFile) {
    const ScratchFolder dir;
    const auto file = dir.path() / "impressora.dll";
    write_file(file, pe_header(kMachineAmd64));
    EXPECT_EQ(binary_bits_of_file(utf8(file)), 64);
    write_file(file, elf_header(1));
    EXPECT_EQ(binary_bits_of_file(utf8(file)), 32);
    EXPECT_EQ(binary_bits_of_file(utf8(dir.path() / "falta.dll")), 0);
    EXPECT_EQ(binary_bits_of_file(utf8(dir.path())), 0);
}

// The build's word size is the one that runs (the 32-bit Windows build's
// tests really run as 32-bit programs), and its header says so.
TEST(BinaryBits, ThisProgramIsOfTheBuildsSize) {
    EXPECT_EQ(kProgramBits, BUILD_BITS);
    EXPECT_EQ(binary_bits_of_file(TEST_EXECUTABLE), BUILD_BITS);
}

} // namespace
} // namespace qv::platform
