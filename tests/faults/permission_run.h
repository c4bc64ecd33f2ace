// Runs a piece of a test where the file permission bits hold, its error
// output caught in a file. Each system does it its own way
// (permission_run_posix.cpp, permission_run_windows.cpp).
#pragma once

#include <filesystem>
#include <functional>

namespace qv::test {

// Runs `body` with its error output written to `error_file`. On POSIX it
// runs in a forked child that meets the permission bits even when the tests
// run as root (root writes into read-only folders), so what it changes in
// memory stays there; Windows keeps no such bits, and it runs in this
// process. A test failure when `body` crashed or returned false.
void run_obeying_permissions(const std::filesystem::path& error_file,
                             const std::function<bool()>& body);

} // namespace qv::test
