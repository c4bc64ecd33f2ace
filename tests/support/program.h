// Runs a program for a test, without a shell: its arguments passed as they
// stand, its standard input given, its output, error output and exit status
// caught. A finished run, or a session that talks to the program block by
// block.
#pragma once

#include "shared/platform/platform.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

struct ProgramRun {
    // The exit status; 128 + the signal when a signal ended it; -1 when
    // the program could not be started (`err` says why).
    int status = -1;
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string_view input;       // the standard input, whole
    std::filesystem::path folder; // the working folder; empty: this one
    // Without a terminal or console to ask on, as a program started by a
    // service would be.
    bool without_terminal = false;
};

// A name without a folder is looked for on the PATH.
ProgramRun run_program(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const RunOptions& options = {});

// The executable of this process.
std::filesystem::path this_program();

// Ends this process at once, as the system ends a process it kills: no
// exit handlers, no flushing. Its status is kKilledStatus.
[[noreturn]] void kill_this_process();
// On Windows the exit code given to TerminateProcess; elsewhere SIGKILL's.
inline constexpr int kKilledStatus = platform::kWindows ? 9 : 128 + 9;

// A program whose standard input and output are pipes held by the test; its
// error output is the test's.
class ProgramSession {
  public:
    ProgramSession(const std::filesystem::path& program, const std::vector<std::string>& args);
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;
    ~ProgramSession(); // finishes the program

    bool started() const;
    // Writes all of `bytes` to the program's input.
    bool send(std::string_view bytes);
    // Reads until `count` bytes came or `seconds` passed; what came.
    std::string receive(std::size_t count, int seconds);
    // Closes the program's input and waits for its end; its exit status as
    // in ProgramRun.
    int finish();

    struct Handles;

  private:
    std::unique_ptr<Handles> handles_;
};

} // namespace qv::test
