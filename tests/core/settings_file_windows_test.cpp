// The settings file's tests on Windows: the killed save is this test program
// started again (there is no fork), and the tests of POSIX permissions and
// limits are skipped with the reason.
#include "settings_file_test.h"
#include "tests/support/program.h"

#include <cstdlib>

namespace qv::test {
namespace {

// The killed save is this test program started again in the test's folder
// with the stage's name in QV_TEST_SAVE_DIES_AT. It saves and is killed at
// that stage before any test runs.
const bool kSaveChild = [] {
    const auto stage = get_env("QV_TEST_SAVE_DIES_AT");
    if (!stage) return false;
    for (const Stage& s : kStages)
        if (*stage == s.name) die_at(s.stage);
    std::_Exit(3); // no such stage
}();

} // namespace

void save_killed_at(const Stage& stage) {
    const EnvGuard guard("QV_TEST_SAVE_DIES_AT");
    set_env("QV_TEST_SAVE_DIES_AT", stage.name);
    const ProgramRun child = run_program(
        this_program(), {}, {.input = {}, .folder = fs::current_path(), .without_terminal = false});
    ASSERT_EQ(child.status, kKilledStatus) << "the save was not killed " << child.err;
}

namespace {

TEST_F(SettingsFileTest, FileIsReadableAndWritableByItsOwnerOnly) {
    GTEST_SKIP() << "Windows has no file mode bits (0600): the owner-only access is a security "
                    "descriptor there";
}

TEST_F(SettingsFileTest, SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile) {
    GTEST_SKIP() << "Windows has no file size limit for a process (RLIMIT_FSIZE) to stand for "
                    "a full disk";
}

TEST_F(SettingsFileTest, SaveIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
    GTEST_SKIP() << "Windows keeps no write permission bits on a folder (read-only folder)";
}

} // namespace
} // namespace qv::test
