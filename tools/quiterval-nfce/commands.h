// The technician's NFC-e commands, over the same nfce.conf and data folder
// as the program: the state of things, sending the contingency queue, and
// voiding unused numbers. Texts in Portuguese, UTF-8.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::nfce_tool {

// Where the program's NFC-e lives, as found without `--config`.
struct Places {
    std::string config_file; // nfce.conf
    std::string data_folder; // NFCE_DIR, else "nfce"
    // Said on the error stream when `--config` is not given: why that
    // nfce.conf may not be the one the program uses; empty: nothing.
    std::string choice_note;
};

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kNotDone = 1; // notes left queued, the state refused or did not answer
inline constexpr int kRefused = 2; // bad use, bad configuration, a request refused unsent

// Runs the command line `args` (after the program's name).
int run(const std::vector<std::string>& args, const Places& places, std::ostream& out,
        std::ostream& err);

} // namespace qv::nfce_tool
