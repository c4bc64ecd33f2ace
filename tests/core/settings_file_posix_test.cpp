// The settings file's tests that need POSIX: the mode bits of the file, a
// file size limit standing for a full disk, a read-only folder, and the
// killed save in a forked child.
#include "settings_file_test.h"
#include "tests/support/permissions.h"

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::test {

void save_killed_at(const Stage& stage) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) die_at(stage.stage);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the save was not killed";
}

namespace {

TEST_F(SettingsFileTest, FileIsReadableAndWritableByItsOwnerOnly) {
    const mode_t old_mask = ::umask(0);
    const auto status = settings::write_record(utf8(settings_path()), record_of(default_bytes()));
    ::umask(old_mask);
    ASSERT_EQ(status, settings::kStatusOk);
    struct stat st {};
    ASSERT_EQ(::stat(settings_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsFileTest, SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile) {
    // A file size limit below one record stands for a full disk.
    write_file(settings_path(), old_bytes());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto status =
            settings::write_record(settings::kFileName.data(), record_of(new_bytes()));
        ::_exit(status == settings::kStatusNoSpace ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "not reported as no space";
    EXPECT_EQ(read_file(settings_path()), old_bytes());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "the new file was left behind";
}

TEST_F(SettingsFileTest, SaveIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
    write_file(settings_path(), old_bytes());
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Root writes into read-only folders: the save runs without that power.
        if (!obey_file_permissions()) ::_exit(2);
        const auto status = settings::write_record(utf8(settings_path()), record_of(new_bytes()));
        ::_exit(status == settings::kStatusNoAccess ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::permissions(dir_, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not reported as no access";
    EXPECT_EQ(read_file(settings_path()), old_bytes());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

} // namespace
} // namespace qv::test
