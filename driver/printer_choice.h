// Which printer library the driver loads, and why.
//
// The shop's technician names the vendor's library once, in a small
// configuration file:
//
//   # comments and blank lines are ignored
//   biblioteca=/opt/fabricante/lib/libimpressora.so
//   biblioteca=simulada          (the simulated printer: training only)
//   biblioteca=nfce              (no printer library: electronic notes,
//                                 configured by nfce.conf beside this file)
//
// The first that names a library wins: the variable QUITERVAL_ECF_LIBRARY,
// the user's file ($XDG_CONFIG_HOME/quiterval/impressora.conf, by default
// ~/.config/quiterval/impressora.conf), the system's file
// (/etc/quiterval/impressora.conf for a program under /usr,
// <prefix>/etc/quiterval/impressora.conf otherwise), and last the simulated
// printer. On Windows the user's file is %APPDATA%\quiterval\impressora.conf,
// the system's file impressora.conf beside the programs, the simulated
// printer quiterval-ecfsim.dll beside them too, and a library is named by
// its full path (biblioteca=C:\Fabricante\impressora.dll). A file that cannot be read or holds
// anything else is an error that names it: the driver then loads nothing, rather than quietly
// printing into the simulator.
#pragma once

#include "shared/platform/platform.h"

#include <string>

namespace qv::driver {

// The file name of the simulated printer library.
inline constexpr const char* kDefaultLibraryFile = QV_SHARED_LIBRARY_FILE("quiterval-ecfsim");
// The configuration file's name inside its folder "quiterval".
inline constexpr const char* kChoiceFileName = "impressora.conf";

enum class ChoiceSource { variable, user_file, system_file, nothing_chosen };

struct LibraryChoice {
    std::string path; // the library to load; empty when `error` is set
    ChoiceSource source = ChoiceSource::nothing_chosen;
    std::string file;       // the configuration file that chose it or is at fault
    std::string error;      // UTF-8, what is wrong with `file`; empty when fine
    bool simulated = false; // the simulated printer: no fiscal value
    bool nfce = false;      // the NFC-e back end, no library: `path` is empty
};

// Where the choice is looked for; empty places are skipped.
struct ChoicePlaces {
    std::string variable;    // the value of QUITERVAL_ECF_LIBRARY
    std::string user_file;   // the user's configuration file
    std::string system_file; // the system's configuration file
    std::string simulator;   // the simulated printer library found by default
};

// The places of this process: its environment and its executable's folder.
ChoicePlaces current_places();
LibraryChoice choose_library(const ChoicePlaces& places);
// choose_library(current_places()).
LibraryChoice choose_library();

// The NFC-e configuration of a choice of the NFC-e back end: NFCE_CONF, else
// nfce.conf beside the file that chose it, else beside the user's file.
std::string nfce_config_file(const LibraryChoice& choice);

// One line for the technician, UTF-8: the library and why it was chosen, or
// what is wrong with the configuration.
std::string describe(const LibraryChoice& choice);

} // namespace qv::driver
