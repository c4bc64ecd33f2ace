// The simulated printer library's test that needs POSIX, skipped on Windows
// with the reason.
#include "library_test.h"

namespace {

using qv::test::Library;

TEST_F(Library, ZReductionOnAFullDiskChangesNothingAndCanBeMadeLater) {
    GTEST_SKIP() << "Windows has no file size limit for a process (RLIMIT_FSIZE) to stand for "
                    "a full disk";
}

} // namespace
