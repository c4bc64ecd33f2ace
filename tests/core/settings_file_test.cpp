// The settings file on its own: the record layout, what counts as a settings
// record, and a save that can fail or die at any point without losing the
// file it replaces.
#include "engine_fixture.h"
#include "tests/support/program.h"

#include <csignal>
#include <cstdlib>

#ifndef _WIN32
#include "tests/support/permissions.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace qv::test {
namespace {

using settings::Record;

// The default record, spelled out byte for byte.
std::string default_bytes() {
    std::string r = "100000000000000000000";
    for (int n = 0; n < 40; ++n)
        r += std::string(20, ' ') + "000000";
    return r;
}

Record record_of(const std::string& bytes) {
    Record r{};
    std::copy_n(bytes.begin(), r.size(), r.begin());
    return r;
}

class SettingsFileTest : public EngineTest {};

TEST_F(SettingsFileTest, DefaultRecordIsKeyOneZerosAndFortyFreeEntries) {
    Record r{};
    r.fill('x');
    settings::fill_default(r);
    EXPECT_EQ(std::string(r.begin(), r.end()), default_bytes());
    EXPECT_EQ(default_bytes().size(), settings::kRecordSize);
    EXPECT_TRUE(settings::is_valid(r));
}

TEST_F(SettingsFileTest, WrittenRecordIsTheWholeFileAndReadsBack) {
    std::string bytes = default_bytes();
    bytes.replace(1, 20, "12345612341234654321");
    bytes.replace(21 + 26, 26, "ANA                 000777");
    const Record r = record_of(bytes);
    ASSERT_EQ(settings::write_record(utf8(settings_path()), r), settings::kStatusOk);
    EXPECT_EQ(read_file(settings_path()), bytes);
    Record back{};
    EXPECT_EQ(settings::read_record(utf8(settings_path()), back), settings::kStatusOk);
    EXPECT_EQ(back, r);
    // Only the record's file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFileTest, FileIsReadableAndWritableByItsOwnerOnly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file mode bits (0600): the owner-only access is a security "
                    "descriptor there";
#else
    const mode_t old_mask = ::umask(0);
    const auto status = settings::write_record(utf8(settings_path()), record_of(default_bytes()));
    ::umask(old_mask);
    ASSERT_EQ(status, settings::kStatusOk);
    struct stat st {};
    ASSERT_EQ(::stat(settings_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
}

TEST_F(SettingsFileTest, MissingFileIsNotFound) {
    Record r{};
    EXPECT_EQ(settings::read_record(utf8(settings_path()), r), settings::kStatusNotFound);
    EXPECT_FALSE(fs::exists(settings_path()));
}

struct BadFile {
    const char* name;
    std::string bytes;
};

class BadFileTest : public SettingsFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, IsNoRecordAndStaysAsItWas) {
    write_file(settings_path(), GetParam().bytes);
    Record r{};
    EXPECT_EQ(settings::read_record(utf8(settings_path()), r), settings::kStatusNoRecord);
    EXPECT_EQ(read_file(settings_path()), GetParam().bytes);
}

std::string with(std::size_t at, std::string_view what) {
    std::string b = default_bytes();
    b.replace(at, what.size(), what);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Records, BadFileTest,
    ::testing::Values(BadFile{"Empty", ""}, BadFile{"OneByteShort", default_bytes().substr(1)},
                      BadFile{"OneByteLong", default_bytes() + "\n"},
                      BadFile{"TwoRecords", default_bytes() + default_bytes()},
                      BadFile{"KeyZero", with(0, "0")}, BadFile{"KeyBlank", with(0, " ")},
                      BadFile{"MaximumNotDigits", with(1, "12,50 ")},
                      BadFile{"PercentWithSign", with(7, "-100")},
                      BadFile{"BebidasBlank", with(11, "    ")},
                      BadFile{"ReleasePasswordLetter", with(15, "12345A")},
                      BadFile{"LastOperatorPasswordNul", with(1060, std::string(1, '\0'))},
                      BadFile{"FirstOperatorPasswordBlank", with(41, "      ")}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SettingsFileTest, OperatorNamesMayHoldAnyCharacter) {
    const std::string bytes = with(21, cp("JOÃO\t\x01") + std::string(13, '\0'));
    write_file(settings_path(), bytes);
    Record r{};
    EXPECT_EQ(settings::read_record(utf8(settings_path()), r), settings::kStatusOk);
}

// --- a save that fails or dies half-way ----------------------------------

std::string old_bytes() {
    return with(21, "ANTIGO              111111");
}
std::string new_bytes() {
    return with(21, "NOVO                222222");
}

[[noreturn]] void die_at(settings::SaveStage stage) {
    static settings::SaveStage target;
    target = stage;
    const auto observer = [](settings::SaveStage s) {
        if (s == target) kill_this_process();
    };
    (void)settings::write_record(settings::kFileName.data(), record_of(new_bytes()), observer);
    std::_Exit(0); // the stage never came: reported as a normal exit
}

struct Stage {
    const char* name;
    settings::SaveStage stage;
    bool new_file_in_place;
};

const Stage kStages[] = {
    {"AfterCreating", settings::SaveStage::created, false},
    {"HalfWritten", settings::SaveStage::half_written, false},
    {"Written", settings::SaveStage::written, false},
    {"Flushed", settings::SaveStage::flushed, false},
    {"Renamed", settings::SaveStage::renamed, true},
};

#ifdef _WIN32
// Windows has no fork: the killed save is this test program started again
// in the test's folder with the stage's name in QV_TEST_SAVE_DIES_AT. It
// saves and is killed at that stage before any test runs.
const bool kSaveChild = [] {
    const auto stage = get_env("QV_TEST_SAVE_DIES_AT");
    if (!stage) return false;
    for (const Stage& s : kStages)
        if (*stage == s.name) die_at(s.stage);
    std::_Exit(3); // no such stage
}();
#endif

class KilledSaveTest : public SettingsFileTest, public ::testing::WithParamInterface<Stage> {};

TEST_P(KilledSaveTest, OldOrNewFileIsWholeNeverAMix) {
    write_file(settings_path(), old_bytes());
#ifdef _WIN32
    const EnvGuard stage("QV_TEST_SAVE_DIES_AT");
    set_env("QV_TEST_SAVE_DIES_AT", GetParam().name);
    const ProgramRun child =
        run_program(this_program(), {}, {.input = {}, .folder = dir_, .without_terminal = false});
    ASSERT_EQ(child.status, kKilledStatus) << "the save was not killed " << child.err;
#else
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) die_at(GetParam().stage);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the save was not killed";
#endif
    Record r{};
    ASSERT_EQ(settings::read_record(utf8(settings_path()), r), settings::kStatusOk);
    EXPECT_EQ(std::string(r.begin(), r.end()),
              GetParam().new_file_in_place ? new_bytes() : old_bytes());
}

INSTANTIATE_TEST_SUITE_P(Stages, KilledSaveTest, ::testing::ValuesIn(kStages),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SettingsFileTest, SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit for a process (RLIMIT_FSIZE) to stand for "
                    "a full disk";
#else
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
#endif
}

TEST_F(SettingsFileTest, SaveIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps no write permission bits on a folder (read-only folder)";
#else
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
#endif
}

TEST_F(SettingsFileTest, SaveOverSomethingThatIsNotAFileFails) {
    fs::create_directory(settings_path());
    EXPECT_NE(settings::write_record(utf8(settings_path()), record_of(new_bytes())),
              settings::kStatusOk);
    EXPECT_TRUE(fs::is_directory(settings_path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
    Record r{};
    EXPECT_NE(settings::read_record(utf8(settings_path()), r), settings::kStatusOk);
}

} // namespace
} // namespace qv::test
