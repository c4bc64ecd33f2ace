// Binding of the printer vendor's functions by their exported names.
//
// Which library file holds them is chosen by configuration outside the
// program (printer_choice.h). A library is loaded once per path and kept for
// the life of the process; each function is looked up when it is called.
#pragma once

#include "driver/printer_choice.h"

#include <string>

namespace qv::driver {

// The outcome of one lookup: the function's address, or a Windows-1252 text
// for the user naming what could not be bound.
struct Binding {
    void* function = nullptr;
    std::string failure;
};

// One command's view of the vendor library: resolves the library once, then
// each function by name as it is called.
class VendorLibrary {
  public:
    Binding find(const char* function_name);

  private:
    bool resolved_ = false;
    void* handle_ = nullptr;
    std::string library_failure_;
};

// The path that would be loaded now (choose_library().path; empty when the
// configuration is at fault).
std::string library_path();

// --- platform seam --------------------------------------------------------
// The only place that touches the loader (dlopen/dlsym here; a Windows build
// fills it with LoadLibrary/GetProcAddress).
namespace seam {
// Loads the library at `path`; nullptr with `error` set on failure.
void* open_library(const std::string& path, std::string& error);
// The exported symbol `name`, or nullptr.
void* find_symbol(void* handle, const char* name);
// The folder of the running executable, or empty when unknown.
std::string executable_folder();
} // namespace seam

} // namespace qv::driver
