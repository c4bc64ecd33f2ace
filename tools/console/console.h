// The tools' side of the terminal: the command line in UTF-8, standard
// streams that carry bytes unchanged, UTF-8 texts on a console, and a
// question asked of the person at the terminal even when the standard
// input is redirected. Each system brings its own source file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::console {

// The program's arguments after its name, in UTF-8. On Windows they come
// from the UTF-16 command line (the `char` arguments hold the ANSI code
// page's guess at them); elsewhere they are `argv` as given.
std::vector<std::string> arguments(int argc, char** argv);

// For the whole run of a tool: the standard streams carry bytes unchanged
// (no 0x1A end of file, no \n turned into \r\n), and a console shows the
// tools' UTF-8 texts; files and pipes get the bytes as written. The
// console's own settings come back when it ends. On POSIX the streams are
// only flushed at its end.
class StandardStreams {
  public:
    StandardStreams();
    ~StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;

  private:
    // The console code page to give back (Windows); 0: left as it was.
    [[maybe_unused]] unsigned previous_code_page_ = 0;
};

// Asks `question` (UTF-8, no newline) on the terminal itself, so that a
// redirected input cannot answer it by accident: true for an answer that
// starts with "s" or "S", false for any other, nullopt when there is no
// terminal to ask on.
std::optional<bool> ask_on_terminal(std::string_view question);

} // namespace qv::console
