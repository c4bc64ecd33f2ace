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

} // namespace qv::driver
