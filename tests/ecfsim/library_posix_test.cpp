// The simulated printer library's test that needs POSIX: a file size limit
// in a forked child standing for a full disk.
#include "library_test.h"

#include "tests/support/files.h"

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using qv::test::Library;
using qv::test::read_file;

TEST_F(Library, ZReductionOnAFullDiskChangesNothingAndCanBeMadeLater) {
    coupon();
    const std::string memory = read_file(ecf("estado.txt"));
    const std::string tape = read_file(ecf("bobina.txt"));
    ASSERT_GT(tape.size(), memory.size() + 200);
    // A child whose files may not grow past the paper's present size and a
    // little: the new memory fits, the Z reduction's paper does not.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = tape.size() + 100;
        const rlimit size{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &size) != 0) _exit(3);
        _exit(iReducaoZ_ECF_Daruma("000000", "000000") == -8 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the full disk was not answered -8";
    EXPECT_EQ(read_file(ecf("estado.txt")), memory);
    EXPECT_EQ(read_file(ecf("bobina.txt")), tape) << "the part that fit was left on the paper";
    // With room again the day is closed, once, its totals on the paper.
    EXPECT_EQ(iReducaoZ_ECF_Daruma("000000", "000000"), 1);
    const std::string after = read_file(ecf("bobina.txt")).substr(tape.size());
    EXPECT_NE(after.find("REDUÇÃO Z"), std::string::npos);
    EXPECT_NE(after.find("VENDA BRUTA DIÁRIA R$" + std::string(21, ' ') + "100,00"),
              std::string::npos)
        << after;
    EXPECT_NE(read_file(ecf("estado.txt")).find("crz=1\n"), std::string::npos);
}

} // namespace
