#include "tests/support/fifo.h"

namespace qv::test {

// Windows' named pipes are made with CreateNamedPipe under \\.\pipe\, never
// at a path of the file system.
bool make_fifo(const std::filesystem::path&) {
    return false;
}

} // namespace qv::test
