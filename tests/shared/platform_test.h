// What the platform layer's tests share between the portable file and each
// system's own (platform_posix_test.cpp, platform_windows_test.cpp): the
// scratch folder, the crash cases, the second lock holder and the calls
// whose making differs from system to system.
#pragma once

#include "shared/platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace qv::platform::test {

// This process's id, which keeps the scratch folders of parallel runs apart.
unsigned long process_id();

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("platform-test-" + std::to_string(process_id()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    // With the lock held (taken before the second holder ran): waits until
    // the second holder is about to take it, appends "pai" to "ordem" and
    // lets the lock go.
    void let_the_second_holder_in(std::optional<FolderLock>& held) const;
    std::filesystem::path dir_;
};

// A replace stopped at `stage` by the death of its process.
struct Crash {
    const char* name;
    ReplaceStage stage;
    bool fixed_name;
    bool new_file_in_place;
};

class ReplaceKilledTest : public PlatformTest, public ::testing::WithParamInterface<Crash> {};

// The second holder, in its own process: takes the lock on "novo/ecf",
// then appends "filho" to "ordem"; "pronto" tells that it is about to. Its
// exit status: 0 when both went well.
int second_lock_holder();

// Plants a symbolic link at `link` to `target`; false when the system makes
// none here (last_error_text() says why).
bool plant_link(const std::string& link, const std::string& target);

// Where the system has no fork, this program is its tests' second process:
// the exit status of the child's part when the arguments ask for one.
std::optional<int> run_as_child(int argc, char** argv);

} // namespace qv::platform::test
