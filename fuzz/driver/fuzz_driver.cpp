// Fuzzes one driver command: any 1025-byte parameter block, any vendor
// library answers (return values and printer error codes, through the
// recording library's script), and a library that lacks functions or is
// missing altogether. Nothing may crash, the driver may write only its own
// fields, and the second result lines always stay blank.
//
// Input: the block (short inputs are filled with spaces), one byte choosing
// the library, then 9-byte answers: function, return value, error code.
#include "driver/fiscal_driver.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "shared/vendor_functions.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace qv::impfis;

fs::path g_folder;
std::string g_missing;

std::int32_t int32_at(const std::uint8_t* p) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "fuzz_driver: %s\n", why);
    std::abort();
}

bool is_result_or_written(std::size_t offset) {
    for (const qv::FieldSpec& f : kResults)
        if (f.offset == offset) return true;
    return offset == IMPFIS_RETORNO.offset || offset == IMPFIS_ALIQUOTA.offset;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_folder = fs::temp_directory_path() / ("qv-fuzz-driver-" + std::to_string(::getpid()));
    fs::create_directories(g_folder);
    g_missing = (g_folder / "libnada.so").string();
    ::setenv("ECF_RECORDER_SCRIPT", (g_folder / "script").c_str(), 1);
    ::unsetenv("ECF_RECORDER_LOG");
    ::setenv("QUITERVAL_DRIVER_LOG", (g_folder / "DARUMA.txt").c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(g_folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    char* rec = qv::driver::parameter_block();
    std::memset(rec, ' ', kSize);
    std::memcpy(rec, data, size < kSize ? size : kSize);
    std::size_t at = kSize;

    const std::uint8_t which = at < size ? data[at++] : 0;
    ::setenv("QUITERVAL_ECF_LIBRARY",
             which % 16 == 14   ? PARTIAL_VENDOR_PATH
             : which % 16 == 15 ? g_missing.c_str()
                                : ECF_RECORDER_PATH,
             1);

    std::string script;
    for (; at + 9 <= size; at += 9) {
        script += qv::kVendorFunctions[data[at] % qv::kVendorFunctions.size()];
        script += ' ' + std::to_string(int32_at(data + at + 1));
        script += ' ' + std::to_string(int32_at(data + at + 5));
        script += '\n';
    }
    if (std::FILE* f = std::fopen((g_folder / "script").c_str(), "wb")) {
        (void)std::fwrite(script.data(), 1, script.size(), f);
        (void)std::fclose(f);
    }
    fs::remove(g_folder / "DARUMA.txt"); // so the log is created anew each time

    const std::string before(rec, kSize);
    if (!qv::driver::invoke_form(qv::driver::kFormName)) fail("the driver form did not open");

    for (const qv::FieldSpec& f : kLayout) {
        if (is_result_or_written(f.offset)) continue;
        if (std::memcmp(rec + f.offset, before.data() + f.offset, f.width) != 0)
            fail("the driver changed a field it does not own");
    }
    if (!qv::is_blank(qv::field(rec, IMPFIS_STATUS_2)) ||
        !qv::is_blank(qv::field(rec, IMPFIS_MSG_2)))
        fail("a second result line is not blank");
    const std::string tax = qv::get_text(qv::field(rec, IMPFIS_ALIQUOTA));
    if (tax != before.substr(IMPFIS_ALIQUOTA.offset, IMPFIS_ALIQUOTA.width) && tax != "II   " &&
        tax != "NN   " && tax != "FF   ")
        fail("the tax code was rewritten to something else");
    return 0;
}
