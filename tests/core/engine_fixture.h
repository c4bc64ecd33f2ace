// Test support for the coupon engine and the handlers: each test runs in a
// private working folder (where the settings file lives), with the real
// driver bound to the recording vendor library, and a scripted window.
#pragma once

#include "app/core/control_names.h"
#include "app/core/coupon_engine.h"
#include "app/core/form_handlers.h"
#include "app/core/settings_file.h"
#include "shared/cp1252.h"
#include "tests/support/files.h"
#include "tests/support/recorder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

namespace fs = std::filesystem;

// Windows-1252 bytes of a UTF-8 literal.
inline std::string cp(std::string_view utf8) {
    return utf8_to_cp1252(utf8).value();
}

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home_ = fs::current_path();
        fs::current_path(dir_);
        use_recorder(ECF_RECORDER_PATH, dir_);
    }
    void TearDown() override { fs::current_path(home_); }

    // Lines "<function> <return> [<error code>]" for the recording library.
    void script(std::string_view lines) {
        std::ofstream out(recorder_script(dir_), std::ios::app | std::ios::binary);
        out << lines;
    }
    // The vendor calls recorded so far.
    std::vector<std::string> calls() const { return recorded_calls(dir_); }
    // The same without the start-up call that opens every command.
    std::vector<std::string> calls_after_start_up() const {
        std::vector<std::string> out;
        for (auto& l : calls())
            if (l != kStartUp) out.push_back(l);
        return out;
    }
    fs::path settings_path() const { return dir_ / std::string(settings::kFileName); }

    fs::path home_;
    ScratchFolder scratch_{"qv-engine"};
    fs::path dir_ = scratch_.path();
    ScriptedWindow window;
    CouponEngine engine{window};
    FormHandlers handlers{window, engine};
};

} // namespace qv::test
