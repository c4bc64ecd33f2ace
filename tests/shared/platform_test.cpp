// The platform layer's own promises: writes and reads that finish though
// signals interrupt them, a replace that leaves the old or the new file
// whole whenever the process dies, a temporary file that never follows a
// planted link, an append that is whole or nothing, one lock holder, bytes
// and names that come back as they went in, and files only their owner
// reads. What only one system can do or check is in platform_posix_test.cpp
// and platform_windows_test.cpp; on Windows the dying and the second lock
// holder are this program run again (see main below).
#include "tests/shared/platform_test.h"
#include "shared/platform/platform.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace qv::platform {
namespace test {

void PlatformTest::let_the_second_holder_in(std::optional<FolderLock>& held) const {
    for (int i = 0; i < 3000 && !std::filesystem::exists(dir_ / "pronto"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // The child waits for the lock however long the holder keeps it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(append_whole(path("ordem"), "pai"));
    held.reset();
}

int second_lock_holder() {
    qv::test::write_file("pronto", "");
    const FolderLock second("novo/ecf");
    return second.ok() && append_whole("ordem", "filho") ? 0 : 1;
}

} // namespace test

namespace {
namespace fs = std::filesystem;
using qv::test::read_file;
using qv::test::write_file;
using test::Crash;
using test::PlatformTest;
using test::ReplaceKilledTest;

// Each system's file holds the test itself (TEST_P ReplaceKilledTest).
INSTANTIATE_TEST_SUITE_P(Stages, ReplaceKilledTest,
                         ::testing::Values(Crash{"Created", ReplaceStage::created, false, false},
                                           Crash{"HalfWritten", ReplaceStage::half_written, true,
                                                 false},
                                           Crash{"Written", ReplaceStage::written, false, false},
                                           Crash{"Flushed", ReplaceStage::flushed, true, false},
                                           Crash{"Renamed", ReplaceStage::renamed, false, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(PlatformTest, ReplaceNeverFollowsALinkPlantedAtTheTemporaryName) {
    const std::string file = path("estado.txt");
    const std::string victim = path("alheio");
    write_file(victim, "intocado");
    // Without developer mode or a privilege Windows makes no links.
    if (!test::plant_link(file + ".novo", victim))
        GTEST_SKIP() << "no symbolic link can be made here: " << last_error_text();
    EXPECT_EQ(replace_file(file, "novo", {.fixed_temporary_name = true}), Fault::none);
    EXPECT_EQ(read_file(victim), "intocado");
    EXPECT_EQ(read_file(file), "novo");
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_FALSE(fs::exists(fs::symlink_status(file + ".novo")));
}

TEST_F(PlatformTest, AppendGivesTheSizeBeforeIt) {
    const std::string file = path("bobina.txt");
    EXPECT_EQ(append_whole(file, "0123456789"), 0u);
    EXPECT_EQ(append_whole(file, "abc"), 10u);
    EXPECT_EQ(read_file(file), "0123456789abc");
    EXPECT_EQ(append_whole(path("falta/bobina.txt"), "x"), std::nullopt);
    // How a short append is taken back: cut through the appending handle.
    File appending = File::open(file, Access::append);
    ASSERT_TRUE(appending.is_open() && appending.is_regular());
    EXPECT_TRUE(appending.truncate(10));
    EXPECT_TRUE(write_all(appending, "!"));
    EXPECT_TRUE(appending.close());
    EXPECT_EQ(read_file(file), "0123456789!");
}

// Bytes that a text mode would change (Ctrl-Z ends a text file on Windows,
// CR LF becomes LF) and a name beyond ASCII come back as they went in.
TEST_F(PlatformTest, BytesAndNamesComeBackAsTheyWentIn) {
    const std::string bytes("a\x1A\r\nb\n\r\0\xFF\x1A", 10);
    for (const std::u8string name : {u8"dados", u8"a\u00E7\u00E3o.txt"}) {
        const std::u8string utf8 = (dir_ / name).u8string();
        const std::string file(utf8.begin(), utf8.end());
        SCOPED_TRACE(file);
        ASSERT_EQ(replace_file(file, bytes), Fault::none);
        EXPECT_EQ(append_whole(file, "\r\n\x1A"), bytes.size());
        // The system holds the file under its own name, not a stand-in.
        EXPECT_TRUE(fs::exists(dir_ / name));
        EXPECT_EQ(probe_file(file), Fault::none);
        File in = File::open(file, Access::read);
        ASSERT_TRUE(in.is_open());
        std::string got(64, '\0');
        const std::optional<std::size_t> n = read_full(in, got);
        ASSERT_TRUE(n);
        EXPECT_EQ(got.substr(0, *n), bytes + "\r\n\x1A");
    }
}

TEST_F(PlatformTest, ProbeTellsAMissingFileFromOneThatStands) {
    write_file(path("dados"), "x");
    const struct {
        std::string path;
        Fault want;
        bool open_not_found; // an open for reading fails with not_found too
    } cases[] = {
        {path("dados"), Fault::none, false},
        {dir_.string(), Fault::none, false}, // a folder opens for reading too
        {path("nada"), Fault::not_found, true},
        {path("falta/nada"), Fault::not_found, true},
        {path("dados") + "/nada", Fault::not_found, false}, // a file used as a folder
        {"", Fault::not_found, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(probe_file(c.path), c.want) << c.path;
        Fault fault = Fault::none;
        const bool opened = File::open(c.path, Access::read, &fault).is_open();
        if (c.open_not_found) {
            EXPECT_TRUE(!opened && fault == Fault::not_found) << c.path;
        }
    }
}

TEST_F(PlatformTest, LoaderNamesWhatItCouldNotLoad) {
    std::string error;
    const std::string missing = path("nenhuma-biblioteca");
    EXPECT_EQ(load_library(missing, error), nullptr);
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_GT(error.size(), missing.size() + 2) << "no reason given: " << error;
    void* system = load_library(kWindows ? "kernel32.dll" : "libc.so.6", error);
    const char* function = kWindows ? "GetTickCount" : "strlen";
    ASSERT_NE(system, nullptr) << error;
    EXPECT_NE(find_function(system, function), nullptr);
    EXPECT_EQ(find_function(system, "funcao_que_nao_existe"), nullptr);
}

TEST_F(PlatformTest, ProgramsFolderHoldsThisProgram) {
    const std::string folder = executable_folder();
    EXPECT_TRUE(is_absolute_path(folder)) << folder;
    EXPECT_TRUE(fs::exists(fs::path(folder) / (kWindows ? "platform_tests.exe" : "platform_tests")))
        << folder;
}

// The maker's site opens from a click: xdg-open takes an address without a
// scheme for a missing file and opens nothing, so Linux gets https:// before
// it; Windows' fixed browser takes the bare address.
TEST(PlatformPlacesTest, BrowserCommandLineOpensTheSite) {
    const std::string line = web_browser_command_line("www.quiterval.com.br");
    if constexpr (kWindows) {
        EXPECT_EQ(line, "C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE "
                        "www.quiterval.com.br");
    } else {
        const std::size_t blank = line.find(' ');
        ASSERT_NE(blank, std::string::npos) << line;
        EXPECT_EQ(line.substr(0, blank), "xdg-open");
        EXPECT_EQ(line.substr(blank + 1), "https://www.quiterval.com.br");
    }
}

TEST(PlatformPlacesTest, PathsAreCutAtTheSystemsSeparators) {
    struct Case {
        std::string_view path, file, folder;
    };
    std::vector<Case> cases = {
        {"a/b/c.txt", "c.txt", "a/b"},
        {"c.txt", "c.txt", "."},
        {"/c.txt", "c.txt", "/"},
        {"a/b/", "", "a/b"},
    };
    if constexpr (kWindows) {
        cases.push_back({"C:\\Tornei\\Temp\\DARUMA.txt", "DARUMA.txt", "C:\\Tornei\\Temp"});
        cases.push_back({"C:\\a/b\\c.dll", "c.dll", "C:\\a/b"});
    } else {
        cases.push_back({"a\\b.txt", "a\\b.txt", "."}); // a backslash is part of a POSIX name
    }
    for (const Case& c : cases) {
        EXPECT_EQ(file_name_of(c.path), c.file) << c.path;
        EXPECT_EQ(folder_of(c.path), c.folder) << c.path;
    }
}

// Where the configuration for every user and the program's libraries are
// looked for, from the executable's folder.
TEST(PlatformPlacesTest, ProgramsPlacesFollowItsFolder) {
    struct Case {
        std::string exe_folder, config_folder;
        std::vector<std::string> library_folders;
    };
    const std::vector<Case> windows_cases = {
        {"C:\\Quiterval", "C:\\Quiterval", {"C:\\Quiterval"}},
        {"", "", {""}},
    };
    const std::vector<Case> posix_cases = {
        {"/opt/qv/bin",
         "/opt/qv/etc/quiterval",
         {"/opt/qv/bin", "/opt/qv/bin/../lib/quiterval", "/opt/qv/bin/../lib"}},
        {"/usr/bin",
         "/etc/quiterval",
         {"/usr/bin", "/usr/bin/../lib/quiterval", "/usr/bin/../lib"}},
        {"/usr/local/bin",
         "/usr/local/etc/quiterval",
         {"/usr/local/bin", "/usr/local/bin/../lib/quiterval", "/usr/local/bin/../lib"}},
        {"/", "/etc/quiterval", {"/", "//../lib/quiterval", "//../lib"}},
        {"", "/etc/quiterval", {"", "/../lib/quiterval", "/../lib"}},
    };
    for (const Case& c : kWindows ? windows_cases : posix_cases) {
        EXPECT_EQ(program_system_config_folder(c.exe_folder), c.config_folder) << c.exe_folder;
        EXPECT_EQ(program_library_folders(c.exe_folder), c.library_folders) << c.exe_folder;
    }
}

// A UTF-8 path made into the standard library's path names the same file,
// and comes back as the same text.
TEST_F(PlatformTest, FoldersAndPathsKeepTheirNames) {
    const std::u8string utf8 = (dir_ / u8"pasta \u00E7\u00E3o" / u8"dentro").u8string();
    const std::string folder(utf8.begin(), utf8.end());
    EXPECT_TRUE(make_folders(folder));
    EXPECT_TRUE(make_folders(folder)) << "a folder that stands is no failure";
    const fs::path made = path_from_text(folder);
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_EQ(made, dir_ / u8"pasta \u00E7\u00E3o" / u8"dentro");
    EXPECT_EQ(path_text(made), folder);
    write_file(path("arquivo"), "x");
    EXPECT_FALSE(make_folders(path("arquivo") + kFolderSeparator + "pasta"))
        << "a file stands on the way";
}

} // namespace
} // namespace qv::platform

// A run with a child's argument is that child (Windows has no fork).
int main(int argc, char** argv) {
    if (const std::optional<int> status = qv::platform::test::run_as_child(argc, argv))
        return *status;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
