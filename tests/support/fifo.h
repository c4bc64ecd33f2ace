// A named pipe (FIFO) in the file system, for tests of callers that must
// not wait on one.
#pragma once

#include <filesystem>

namespace qv::test {

// Makes a FIFO at `path`, for its owner only; false when it cannot be made
// (always on Windows, whose named pipes live outside the file system).
bool make_fifo(const std::filesystem::path& path);

} // namespace qv::test
