#include "tests/support/fifo.h"

#include <sys/stat.h>

namespace qv::test {

bool make_fifo(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

} // namespace qv::test
