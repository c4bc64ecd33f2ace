// The platform layer's own promises: writes and reads that finish though
// signals interrupt them, a replace that leaves the old or the new file
// whole whenever the process dies, a temporary file that never follows a
// planted link, an append that is whole or nothing, one lock holder, bytes
// and names that come back as they went in, and files only their owner
// reads. On Windows the dying and the second lock holder are this program
// run again (see main below).
#include "shared/platform/platform.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <aclapi.h>
#else
#include <atomic>
#include <csignal>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qv::platform {
namespace {
namespace fs = std::filesystem;
using qv::test::read_file;
using qv::test::write_file;

unsigned long process_id() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("platform-test-" + std::to_string(process_id()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

#ifndef _WIN32
void on_alarm(int) {}

// Interrupts this thread every 100 microseconds (no SA_RESTART, so a blocked
// read or write returns EINTR) until destroyed.
class Interrupter {
  public:
    Interrupter() {
        struct sigaction sa {};
        sa.sa_handler = on_alarm;
        ::sigaction(SIGALRM, &sa, &old_);
        const itimerval every{{0, 100}, {0, 100}};
        ::setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~Interrupter() {
        const itimerval off{};
        ::setitimer(ITIMER_REAL, &off, nullptr);
        ::sigaction(SIGALRM, &old_, nullptr);
    }

  private:
    struct sigaction old_ {};
};

// The helper thread blocks SIGALRM, so the signals land in the test's thread.
template <typename Work> std::thread unsignalled_thread(Work work) {
    sigset_t alarm, old;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    ::pthread_sigmask(SIG_BLOCK, &alarm, &old);
    std::thread t(work);
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return t;
}
#endif

TEST_F(PlatformTest, WritesAndReadsFinishThoughSignalsInterruptThem) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no signals that interrupt a read or a write";
#else
    std::string data(1 << 20, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 % 251);
    ::signal(SIGPIPE, SIG_IGN); // a failed side shows as a failed write
    for (const bool test_write : {true, false}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        File reader(fds[0]);
        File writer(fds[1]);
        std::string got(data.size(), '\0');
        std::optional<std::size_t> count;
        bool written = false;
        // The other end trickles, so the tested call blocks again and again.
        std::thread other = unsignalled_thread([&] {
            if (test_write) {
                count = read_full(reader, got);
            } else {
                for (std::size_t at = 0; at < data.size(); at += 4096) {
                    written = write_all(writer, std::string_view(data).substr(at, 4096));
                    if (at % (64 * 4096) == 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                (void)writer.close();
            }
        });
        {
            Interrupter interrupter;
            if (test_write) {
                written = write_all(writer, data);
                (void)writer.close();
            } else {
                count = read_full(reader, got);
                (void)reader.close(); // a writer left blocked fails instead
            }
        }
        other.join();
        EXPECT_TRUE(written) << (test_write ? "write" : "read");
        EXPECT_EQ(count, data.size()) << (test_write ? "write" : "read");
        EXPECT_TRUE(got == data) << (test_write ? "write" : "read");
    }
#endif
}

#ifdef _WIN32
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
#endif

struct Crash {
    const char* name;
    ReplaceStage stage;
    bool fixed_name;
    bool new_file_in_place;
};

class ReplaceKilledTest : public PlatformTest, public ::testing::WithParamInterface<Crash> {};

TEST_P(ReplaceKilledTest, OldOrNewFileIsWholeNeverAMix) {
    const std::string file = path("dados");
    const std::string old_text(1061, 'a');
    write_file(file, old_text);
#ifdef _WIN32
    // The child replaces "dados" in its working folder and ends itself at
    // the stage, as a power cut or a task manager would.
    Child child(wide(kReplaceChild) + L" " + std::to_wstring(static_cast<int>(GetParam().stage)) +
                    (GetParam().fixed_name ? L" fixo" : L" proprio"),
                dir_);
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.wait(), kKilled) << "not killed";
#else
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        static ReplaceStage target;
        target = GetParam().stage;
        ReplaceOptions options;
        options.fixed_temporary_name = GetParam().fixed_name;
        options.observer = [](ReplaceStage s) {
            if (s == target) ::raise(SIGKILL);
        };
        (void)replace_file(file, std::string(1061, 'b'), options);
        ::_exit(0); // the stage never came: reported as a normal exit
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "not killed";
#endif
    EXPECT_EQ(read_file(file), GetParam().new_file_in_place ? std::string(1061, 'b') : old_text);
    // A replace after the crash still works, over what the crash left.
    EXPECT_EQ(replace_file(file, "c", {.fixed_temporary_name = GetParam().fixed_name}),
              Fault::none);
    EXPECT_EQ(read_file(file), "c");
}

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
#ifdef _WIN32
    // Without developer mode or a privilege Windows makes no links.
    if (::CreateSymbolicLinkW(fs::path(file + ".novo").c_str(), fs::path(victim).c_str(),
                              SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) == 0)
        GTEST_SKIP() << "no symbolic link can be made here: " << last_error_text();
#else
    fs::create_symlink(victim, file + ".novo");
#endif
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

TEST_F(PlatformTest, AppendThatFallsShortIsTakenBack) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit to stop a write half-way";
#else
    const std::string file = path("bobina.txt");
    EXPECT_EQ(append_whole(file, "0123456789abc"), 0u);
    // A file size limit that stops the write half-way stands for a full disk.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{20, 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(append_whole(file, std::string(100, 'z')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a short append succeeded";
    EXPECT_EQ(read_file(file), "0123456789abc");
#endif
}

// The second holder, in its own process: takes the lock on "novo/ecf",
// then appends "filho" to "ordem"; "pronto" tells that it is about to.
int second_lock_holder() {
    write_file("pronto", "");
    const FolderLock second("novo/ecf");
    return second.ok() && append_whole("ordem", "filho") ? 0 : 1;
}

TEST_F(PlatformTest, FolderLockHasOneHolderAtATime) {
#ifdef _WIN32
    std::optional<FolderLock> held(std::in_place, path("novo/ecf"));
    EXPECT_TRUE(held->ok()) << "the missing folder was not made";
    Child child(wide(kLockChild), dir_);
    ASSERT_TRUE(child.started());
#else
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    // Forked before the lock is taken, so the child shares no lock with it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c = 0;
        if (::read(go[0], &c, 1) != 1 || ::chdir(dir_.c_str()) != 0) ::_exit(2);
        ::_exit(second_lock_holder());
    }
    std::optional<FolderLock> held(std::in_place, path("novo/ecf"));
    EXPECT_TRUE(held->ok()) << "the missing folder was not made";
    EXPECT_EQ(::write(go[1], "x", 1), 1);
    ::close(go[0]);
    ::close(go[1]);
#endif
    for (int i = 0; i < 3000 && !fs::exists(dir_ / "pronto"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // The child waits for the lock however long the holder keeps it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(append_whole(path("ordem"), "pai"));
    held.reset();
#ifdef _WIN32
    EXPECT_EQ(child.wait(), 0u);
#else
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
    EXPECT_EQ(read_file(path("ordem")), "paifilho");
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

// Readable by its owner alone, as the settings file with its passwords is.
TEST_F(PlatformTest, OwnerOnlyFileShutsOthersOut) {
    const std::string file = path("Quiterval.TOR");
    ASSERT_EQ(replace_file(file, "senhas", {.owner_only = true}), Fault::none);
#ifdef _WIN32
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
#else
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
    EXPECT_EQ(read_file(file), "senhas");
}

TEST_F(PlatformTest, LoaderNamesWhatItCouldNotLoad) {
    std::string error;
    const std::string missing = path("nenhuma-biblioteca");
    EXPECT_EQ(load_library(missing, error), nullptr);
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_GT(error.size(), missing.size() + 2) << "no reason given: " << error;
#ifdef _WIN32
    void* system = load_library("kernel32.dll", error);
    const char* function = "GetTickCount";
#else
    void* system = load_library("libc.so.6", error);
    const char* function = "strlen";
#endif
    ASSERT_NE(system, nullptr) << error;
    EXPECT_NE(find_function(system, function), nullptr);
    EXPECT_EQ(find_function(system, "funcao_que_nao_existe"), nullptr);
}

TEST_F(PlatformTest, ProgramsFolderHoldsThisProgram) {
    const std::string folder = executable_folder();
    EXPECT_TRUE(is_absolute_path(folder)) << folder;
#ifdef _WIN32
    EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_tests.exe")) << folder;
#else
    EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_tests")) << folder;
#endif
}

// The maker's site opens from a click: xdg-open takes an address without a
// scheme for a missing file and opens nothing, so Linux gets https:// before
// it; Windows' fixed browser takes the bare address.
TEST(PlatformPlacesTest, BrowserCommandLineOpensTheSite) {
    const std::string line = web_browser_command_line("www.quiterval.com.br");
#ifdef _WIN32
    EXPECT_EQ(line, "C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE "
                    "www.quiterval.com.br");
#else
    const std::size_t blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    EXPECT_EQ(line.substr(0, blank), "xdg-open");
    EXPECT_EQ(line.substr(blank + 1), "https://www.quiterval.com.br");
#endif
}

TEST(PlatformPlacesTest, PathsAreCutAtTheSystemsSeparators) {
    struct Case {
        std::string_view path, file, folder;
    };
    const Case cases[] = {
        {"a/b/c.txt", "c.txt", "a/b"},
        {"c.txt", "c.txt", "."},
        {"/c.txt", "c.txt", "/"},
        {"a/b/", "", "a/b"},
#ifdef _WIN32
        {"C:\\Tornei\\Temp\\DARUMA.txt", "DARUMA.txt", "C:\\Tornei\\Temp"},
        {"C:\\a/b\\c.dll", "c.dll", "C:\\a/b"},
#else
        {"a\\b.txt", "a\\b.txt", "."}, // a backslash is part of a POSIX name
#endif
    };
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
    const Case cases[] = {
#ifdef _WIN32
        {"C:\\Quiterval", "C:\\Quiterval", {"C:\\Quiterval"}},
        {"", "", {""}},
#else
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
#endif
    };
    for (const Case& c : cases) {
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
#ifdef _WIN32
    using namespace qv::platform;
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
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
