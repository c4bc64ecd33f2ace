// Test support: the driver runs against the recording vendor library in a
// private folder; the helpers fill the parameter block and read back the
// recorded vendor calls.
#pragma once

#include "driver/fiscal_driver.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "shared/platform/platform.h"
#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/recorder.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qv::driver::test {

namespace fs = std::filesystem;
using namespace qv::impfis;

using qv::test::call;
using qv::test::kStartUp;
using qv::test::lines_of;
using qv::test::pad;
using qv::test::read_file;
using qv::test::set_env;
using qv::test::unset_env;
using qv::test::utf8;
using qv::test::write_file;

class DriverTest : public ::testing::Test {
  public:
    void SetUp() override {
        qv::test::use_recorder(ECF_RECORDER_PATH, dir_);
        // No configuration file of the machine's user takes part.
        set_env(platform::kWindows ? "APPDATA" : "XDG_CONFIG_HOME", dir_ / "config");
        rec_ = parameter_block();
        ASSERT_NE(rec_, nullptr);
        std::fill(rec_, rec_ + kSize, ' ');
    }
    fs::path log_file() const { return qv::test::driver_log(dir_); }

    void put(const FieldSpec& f, std::string_view text) { put_text(field(rec_, f), text); }
    std::string get(const FieldSpec& f) const { return get_text(field(rec_, f)); }
    std::int32_t retorno() const { return get_int32le(field(rec_, IMPFIS_RETORNO)); }

    // Scripts the vendor's answers, one "<function> <value> [<error>]" per line.
    void script(std::initializer_list<std::string_view> lines) {
        std::string s;
        for (std::string_view l : lines)
            (s += l) += '\n';
        write_file(qv::test::recorder_script(dir_), s);
    }
    std::string script_left() const { return read_file(qv::test::recorder_script(dir_)); }

    // Runs one command through the form invocation.
    void run(std::string_view command) {
        put(IMPFIS_COMANDO, command);
        ASSERT_TRUE(invoke_form(kFormName));
    }

    void forget_calls() const { fs::remove(qv::test::calls_log(dir_)); }
    std::vector<std::string> calls() const { return qv::test::recorded_calls(dir_); }

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
