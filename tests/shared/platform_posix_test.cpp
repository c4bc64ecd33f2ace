// The platform layer's tests that need what POSIX systems have: signals
// that interrupt a call, fork, a file size limit and mode bits.
#include "shared/platform/platform.h"
#include "tests/shared/platform_test.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <pthread.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qv::platform {
namespace test {

unsigned long process_id() {
    return static_cast<unsigned long>(::getpid());
}

bool plant_link(const std::string& link, const std::string& target) {
    std::filesystem::create_symlink(target, link);
    return true;
}

std::optional<int> run_as_child(int, char**) {
    return std::nullopt; // the children are forked
}

} // namespace test

namespace {
using qv::test::read_file;
using qv::test::write_file;
using test::PlatformTest;
using test::ReplaceKilledTest;

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

TEST_F(PlatformTest, WritesAndReadsFinishThoughSignalsInterruptThem) {
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
}

TEST_P(ReplaceKilledTest, OldOrNewFileIsWholeNeverAMix) {
    const std::string file = path("dados");
    const std::string old_text(1061, 'a');
    write_file(file, old_text);
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
    EXPECT_EQ(read_file(file), GetParam().new_file_in_place ? std::string(1061, 'b') : old_text);
    // A replace after the crash still works, over what the crash left.
    EXPECT_EQ(replace_file(file, "c", {.fixed_temporary_name = GetParam().fixed_name}),
              Fault::none);
    EXPECT_EQ(read_file(file), "c");
}

TEST_F(PlatformTest, AppendThatFallsShortIsTakenBack) {
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
}

TEST_F(PlatformTest, FolderLockHasOneHolderAtATime) {
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    // Forked before the lock is taken, so the child shares no lock with it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c = 0;
        if (::read(go[0], &c, 1) != 1 || ::chdir(dir_.c_str()) != 0) ::_exit(2);
        ::_exit(test::second_lock_holder());
    }
    std::optional<FolderLock> held(std::in_place, path("novo/ecf"));
    EXPECT_TRUE(held->ok()) << "the missing folder was not made";
    EXPECT_EQ(::write(go[1], "x", 1), 1);
    ::close(go[0]);
    ::close(go[1]);
    let_the_second_holder_in(held);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read_file(path("ordem")), "paifilho");
}

// Readable by its owner alone, as the settings file with its passwords is.
TEST_F(PlatformTest, OwnerOnlyFileShutsOthersOut) {
    const std::string file = path("Quiterval.TOR");
    ASSERT_EQ(replace_file(file, "senhas", {.owner_only = true}), Fault::none);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(read_file(file), "senhas");
}

} // namespace
} // namespace qv::platform
