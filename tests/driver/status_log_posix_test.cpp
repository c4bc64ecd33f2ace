// The driver log's tests that need POSIX: a FIFO in the log's place, and
// the default log in the user's state folder.
#include "status_log_test.h"

#include "driver/driver_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::driver::test {
namespace {

TEST_F(StatusDecoding, LogThatIsAFifoIsIgnored) {
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    set_env("QUITERVAL_DRIVER_LOG", fifo);
    // In a child with an alarm: a FIFO that nobody reads must not hang it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20);
        script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
        run("CANC-CUPOM");
        ::_exit(get(IMPFIS_MSG_1) == pad("CF aberto", 100) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "hung or wrong: " << status;
    // With a reader on the FIFO nothing reaches it either.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
    run("CANC-CUPOM");
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(StatusDecoding, DefaultLogLivesInTheStateFolderWhichIsCreated) {
    const qv::test::EnvGuard home("HOME"), state("XDG_STATE_HOME");
    unset_env("QUITERVAL_DRIVER_LOG");
    set_env("XDG_STATE_HOME", dir_ / "state");
    EXPECT_EQ(log_path(), (dir_ / "state" / "quiterval" / "DARUMA.txt").string());
    EXPECT_TRUE(fs::is_directory(dir_ / "state" / "quiterval"));
    unset_env("XDG_STATE_HOME");
    set_env("HOME", dir_ / "home");
    script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
    run("CANC-CUPOM");
    const std::vector<std::string> lines =
        lines_of(read_file(dir_ / "home" / ".local" / "state" / "quiterval" / "DARUMA.txt"));
    expect_entry(lines, 0, "CANC-CUPOM", kNotExecuted, "CF aberto");
}

} // namespace
} // namespace qv::driver::test
