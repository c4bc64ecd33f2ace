// The driver's log of printer errors: six lines of 80 characters per entry,
// Windows-1252, appended to one text file.
#pragma once

#include <string>
#include <string_view>

namespace qv::driver {

// QUITERVAL_DRIVER_LOG names it; by default platform::driver_log_default_path()
// ($XDG_STATE_HOME/quiterval/DARUMA.txt, else
// ~/.local/state/quiterval/DARUMA.txt, and on Windows the fixed path of
// shared/platform/windows_facts.h). The default's folder is made when
// missing. Empty when no path can be formed.
std::string log_path();

// Appends one entry (separator, date YYMMDD, time HHMMSSCC, then the three
// texts, each cut or filled to 80 characters and ended by a line feed).
// Failures to create or write the file are ignored, and so is a log path
// that names anything but a regular file (a FIFO, a device, a folder).
void write_log_entry(std::string_view command, std::string_view status, std::string_view message);

} // namespace qv::driver
