// The settings file on its own: the record layout, what counts as a settings
// record, and a save that can fail or die at any point without losing the
// file it replaces. The tests that need the system's own calls stand in
// settings_file_posix_test.cpp and settings_file_windows_test.cpp.
#include "settings_file_test.h"
#include "tests/support/program.h"

#include <cstdlib>

namespace qv::test {

void die_at(settings::SaveStage stage) {
    static settings::SaveStage target;
    target = stage;
    const auto observer = [](settings::SaveStage s) {
        if (s == target) kill_this_process();
    };
    (void)settings::write_record(settings::kFileName.data(), record_of(new_bytes()), observer);
    std::_Exit(0); // the stage never came: reported as a normal exit
}

namespace {

using settings::Record;

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

class KilledSaveTest : public SettingsFileTest, public ::testing::WithParamInterface<Stage> {};

TEST_P(KilledSaveTest, OldOrNewFileIsWholeNeverAMix) {
    write_file(settings_path(), old_bytes());
    ASSERT_NO_FATAL_FAILURE(save_killed_at(GetParam()));
    Record r{};
    ASSERT_EQ(settings::read_record(utf8(settings_path()), r), settings::kStatusOk);
    EXPECT_EQ(std::string(r.begin(), r.end()),
              GetParam().new_file_in_place ? new_bytes() : old_bytes());
}

INSTANTIATE_TEST_SUITE_P(Stages, KilledSaveTest, ::testing::ValuesIn(kStages),
                         [](const auto& p) { return std::string(p.param.name); });

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
