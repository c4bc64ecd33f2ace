// Test support for the coupon engine and the handlers: each test runs in a
// private working folder (where the settings file lives), with the real
// driver bound to the recording vendor library, and a scripted window.
#pragma once

#include "app/core/coupon_engine.h"
#include "app/core/form_handlers.h"
#include "app/core/settings_file.h"
#include "shared/cp1252.h"
#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

namespace fs = std::filesystem;

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

// Windows-1252 bytes of a UTF-8 literal.
inline std::string cp(std::string_view utf8) {
    return utf8_to_cp1252(utf8).value();
}

// One recorded vendor call: the name and its (escaped) arguments, TAB-joined.
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

// The call every driver command starts with.
inline const std::string kStartUp =
    call({"regAlterarValor_Daruma", "ECF\\x5CRetornarAvisoErro", "1"});

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home_ = fs::current_path();
        fs::current_path(dir_);
        set_env("QUITERVAL_ECF_LIBRARY", ECF_RECORDER_PATH);
        set_env("ECF_RECORDER_LOG", dir_ / "calls.log");
        set_env("ECF_RECORDER_SCRIPT", dir_ / "script");
        set_env("QUITERVAL_DRIVER_LOG", dir_ / "DARUMA.txt");
    }
    void TearDown() override { fs::current_path(home_); }

    // Lines "<function> <return> [<error code>]" for the recording library.
    void script(std::string_view lines) {
        std::ofstream out(dir_ / "script", std::ios::app | std::ios::binary);
        out << lines;
    }
    // The vendor calls recorded so far.
    std::vector<std::string> calls() const { return lines_of(read_file(dir_ / "calls.log")); }
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
