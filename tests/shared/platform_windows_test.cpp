// The platform layer's tests as Windows runs them: this program run again
// stands for fork, and the owner's file is checked in its access list.
#include "shared/platform/platform.h"
#include "tests/shared/platform_test.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <aclapi.h>

namespace qv::platform {
namespace test {
namespace {
namespace fs = std::filesystem;

// This program run again with `args`, in `folder`, as a second process.
constexpr DWORD kKilled = 137; // the exit code of a child stopped at its stage
constexpr const char* kReplaceChild = "--filho-substituicao";
constexpr const char* kLockChild = "--filho-trava";

class Child {
  public:
    Child(const std::wstring& args, const fs::path& folder) {
        std::wstring exe(32768, L'\0');
        exe.resize(::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
        std::wstring line = L"\"" + exe + L"\" " + args;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.c_str(), &startup, &info) != 0) {
            ::CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { (void)wait(); }
    bool started() const { return process_ != nullptr; }
    // Its exit code, once it has ended.
    DWORD wait() {
        DWORD code = 1;
        if (process_ == nullptr) return code;
        ::WaitForSingleObject(process_, INFINITE);
        ::GetExitCodeProcess(process_, &code);
        ::CloseHandle(process_);
        process_ = nullptr;
        return code;
    }

  private:
    HANDLE process_ = nullptr;
};

std::wstring wide(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

} // namespace

unsigned long process_id() {
    return ::GetCurrentProcessId();
}

bool plant_link(const std::string& link, const std::string& target) {
    return ::CreateSymbolicLinkW(std::filesystem::path(link).c_str(),
                                 std::filesystem::path(target).c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

std::optional<int> run_as_child(int argc, char** argv) {
    if (argc == 4 && std::string_view(argv[1]) == kReplaceChild) {
        static ReplaceStage target;
        target = static_cast<ReplaceStage>(std::atoi(argv[2]));
        ReplaceOptions options;
        options.fixed_temporary_name = std::string_view(argv[3]) == "fixo";
        options.observer = [](ReplaceStage s) {
            if (s == target) ::TerminateProcess(::GetCurrentProcess(), kKilled);
        };
        (void)replace_file("dados", std::string(1061, 'b'), options);
        return 0; // the stage never came: reported as a normal exit
    }
    if (argc == 2 && std::string_view(argv[1]) == kLockChild) return second_lock_holder();
    return std::nullopt;
}

} // namespace test

namespace {
namespace fs = std::filesystem;
using qv::test::read_file;
using qv::test::write_file;
using test::Child;
using test::kKilled;
using test::kLockChild;
using test::kReplaceChild;
using test::PlatformTest;
using test::ReplaceKilledTest;
using test::wide;

TEST_F(PlatformTest, WritesAndReadsFinishThoughSignalsInterruptThem) {
    GTEST_SKIP() << "Windows has no signals that interrupt a read or a write";
}

TEST_P(ReplaceKilledTest, OldOrNewFileIsWholeNeverAMix) {
    const std::string file = path("dados");
    const std::string old_text(1061, 'a');
    write_file(file, old_text);
    // The child replaces "dados" in its working folder and ends itself at
    // the stage, as a power cut or a task manager would.
    Child child(wide(kReplaceChild) + L" " + std::to_wstring(static_cast<int>(GetParam().stage)) +
                    (GetParam().fixed_name ? L" fixo" : L" proprio"),
                dir_);
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.wait(), kKilled) << "not killed";
    EXPECT_EQ(read_file(file), GetParam().new_file_in_place ? std::string(1061, 'b') : old_text);
    // A replace after the crash still works, over what the crash left.
    EXPECT_EQ(replace_file(file, "c", {.fixed_temporary_name = GetParam().fixed_name}),
              Fault::none);
    EXPECT_EQ(read_file(file), "c");
}

TEST_F(PlatformTest, AppendThatFallsShortIsTakenBack) {
    GTEST_SKIP() << "Windows has no file size limit to stop a write half-way";
}

TEST_F(PlatformTest, FolderLockHasOneHolderAtATime) {
    std::optional<FolderLock> held(std::in_place, path("novo/ecf"));
    EXPECT_TRUE(held->ok()) << "the missing folder was not made";
    Child child(wide(kLockChild), dir_);
    ASSERT_TRUE(child.started());
    let_the_second_holder_in(held);
    EXPECT_EQ(child.wait(), 0u);
    EXPECT_EQ(read_file(path("ordem")), "paifilho");
}

// Readable by its owner alone, as the settings file with its passwords is.
TEST_F(PlatformTest, OwnerOnlyFileShutsOthersOut) {
    const std::string file = path("Quiterval.TOR");
    ASSERT_EQ(replace_file(file, "senhas", {.owner_only = true}), Fault::none);
    // Every entry lets in the user or the system itself (which reads every
    // file, as root does on POSIX), nobody else; one lets in the user.
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(fs::path(file).c_str(), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                                      &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr) << "no access list: everyone may read";
    HANDLE token = nullptr;
    ASSERT_NE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token), 0);
    std::string user(256, '\0');
    DWORD size = 0;
    ASSERT_NE(::GetTokenInformation(token, TokenUser, user.data(), 256, &size), 0);
    ::CloseHandle(token);
    PSID user_sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    std::string system(SECURITY_MAX_SID_SIZE, '\0');
    size = SECURITY_MAX_SID_SIZE;
    ASSERT_NE(::CreateWellKnownSid(WinLocalSystemSid, nullptr, system.data(), &size), 0);
    int user_entries = 0;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_NE(::GetAce(dacl, i, &ace), 0);
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        ASSERT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        const bool is_user = ::EqualSid(&allowed->SidStart, user_sid) != 0;
        user_entries += is_user ? 1 : 0;
        EXPECT_TRUE(is_user || ::EqualSid(&allowed->SidStart, system.data()) != 0)
            << "entry " << i << " lets in someone else";
    }
    EXPECT_EQ(user_entries, 1);
    ::LocalFree(descriptor);
    EXPECT_EQ(read_file(file), "senhas");
}

} // namespace
} // namespace qv::platform
