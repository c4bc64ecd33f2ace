// Test support: the driver runs against the recording vendor library in a
// private folder; the helpers fill the parameter block and read back the
// recorded vendor calls.
#pragma once

#include "driver/fiscal_driver.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace qv::driver::test {

namespace fs = std::filesystem;
using namespace qv::impfis;

using qv::test::read_file;
using qv::test::set_env;
using qv::test::unset_env;
using qv::test::utf8;
using qv::test::write_file;

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// `text` filled with spaces (or cut) to `width`.
inline std::string pad(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, std::min(width, text.size())));
    s.resize(width, ' ');
    return s;
}

// One recorded call: the name and its (escaped) arguments joined by TABs.
inline std::string call(std::initializer_list<std::string_view> parts) {
    std::string l;
    bool first = true;
    for (std::string_view p : parts) {
        if (!first) l += '\t';
        l += p;
        first = false;
    }
    return l;
}

inline const std::string kStartUp =
    call({"regAlterarValor_Daruma", "ECF\\x5CRetornarAvisoErro", "1"});

class DriverTest : public ::testing::Test {
  public:
    void SetUp() override {
        set_env("QUITERVAL_ECF_LIBRARY", ECF_RECORDER_PATH);
        // No configuration file of the machine's user takes part.
#ifdef _WIN32
        set_env("APPDATA", dir_ / "config");
#else
        set_env("XDG_CONFIG_HOME", dir_ / "config");
#endif
        set_env("ECF_RECORDER_LOG", dir_ / "calls.log");
        set_env("ECF_RECORDER_SCRIPT", dir_ / "script");
        set_env("QUITERVAL_DRIVER_LOG", log_file());
        rec_ = parameter_block();
        ASSERT_NE(rec_, nullptr);
        std::fill(rec_, rec_ + kSize, ' ');
    }
    fs::path log_file() const {
        return dir_ / "DARUMA.txt";
    }

    void put(const FieldSpec& f, std::string_view text) {
        put_text(field(rec_, f), text);
    }
    std::string get(const FieldSpec& f) const {
        return get_text(field(rec_, f));
    }
    std::int32_t retorno() const {
        return get_int32le(field(rec_, IMPFIS_RETORNO));
    }

    // Scripts the vendor's answers, one "<function> <value> [<error>]" per line.
    void script(std::initializer_list<std::string_view> lines) {
        std::string s;
        for (std::string_view l : lines)
            (s += l) += '\n';
        write_file(dir_ / "script", s);
    }
    std::string script_left() const {
        return read_file(dir_ / "script");
    }

    // Runs one command through the form invocation.
    void run(std::string_view command) {
        put(IMPFIS_COMANDO, command);
        ASSERT_TRUE(invoke_form(kFormName));
    }

    void forget_calls() const {
        fs::remove(dir_ / "calls.log");
    }
    std::vector<std::string> calls() const {
        return lines_of(read_file(dir_ / "calls.log"));
    }

    // The four result texts, all blank.
    bool all_results_blank() const {
        for (const FieldSpec& f : kResults) {
            if (!is_blank(field(rec_, f))) return false;
        }
        return true;
    }

    qv::test::ScratchFolder scratch_{"qv-driver"};
    fs::path dir_ = scratch_.path();
    char* rec_ = nullptr;
};

} // namespace qv::driver::test
