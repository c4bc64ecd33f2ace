// The recording vendor library (tests/ecf_recorder) as the engine's and the
// driver's tests use it: the driver bound to it, its call log, its script of
// answers and the driver log in the test's folder, and the recorded calls as
// lines to compare.
#pragma once

#include "tests/support/environment.h"
#include "tests/support/files.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

// `text` filled with spaces (or cut) to `width`.
inline std::string pad(std::string_view text, std::size_t width) {
    std::string s(text.substr(0, std::min(width, text.size())));
    s.resize(width, ' ');
    return s;
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

// Where the recorder and the driver keep their files in a test's folder.
inline std::filesystem::path calls_log(const std::filesystem::path& dir) {
    return dir / "calls.log";
}
inline std::filesystem::path recorder_script(const std::filesystem::path& dir) {
    return dir / "script";
}
inline std::filesystem::path driver_log(const std::filesystem::path& dir) {
    return dir / "DARUMA.txt";
}

// Binds the driver to the recording `library`, which logs its calls into
// `dir` and answers from the script there; the driver logs into `dir` too.
inline void use_recorder(const std::string& library, const std::filesystem::path& dir) {
    set_env("QUITERVAL_ECF_LIBRARY", library);
    set_env("ECF_RECORDER_LOG", calls_log(dir));
    set_env("ECF_RECORDER_SCRIPT", recorder_script(dir));
    set_env("QUITERVAL_DRIVER_LOG", driver_log(dir));
}

// The vendor calls recorded in `dir` so far.
inline std::vector<std::string> recorded_calls(const std::filesystem::path& dir) {
    return lines_of(read_file(calls_log(dir)));
}

} // namespace qv::test
