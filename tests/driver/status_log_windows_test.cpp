// The driver log's tests on Windows: the default log at its fixed path; a
// FIFO, which Windows cannot make, is skipped with the reason.
#include "status_log_test.h"

#include "driver/driver_log.h"
#include "shared/platform/windows_facts.h"

namespace qv::driver::test {
namespace {

TEST_F(StatusDecoding, LogThatIsAFifoIsIgnored) {
    GTEST_SKIP() << "Windows has no named pipes in the file system (no FIFO to make)";
}

// Windows keeps the log at its fixed path whatever the user's folders.
TEST_F(StatusDecoding, DefaultLogIsTheFixedWindowsPath) {
    const qv::test::EnvGuard local("LOCALAPPDATA");
    unset_env("QUITERVAL_DRIVER_LOG");
    set_env("LOCALAPPDATA", dir_ / "state");
    EXPECT_EQ(log_path(), platform::windows::kDriverLogPath);
    EXPECT_FALSE(fs::exists(dir_ / "state"));
}

} // namespace
} // namespace qv::driver::test
