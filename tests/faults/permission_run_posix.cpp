// The piece of a test run where the permission bits hold, on POSIX: a
// forked child without root's power over them.
#include "permission_run.h"
#include "tests/support/permissions.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace qv::test {

void run_obeying_permissions(const std::filesystem::path& error_file,
                             const std::function<bool()>& body) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!obey_file_permissions()) ::_exit(2);
        if (std::freopen(error_file.c_str(), "w", stderr) == nullptr) ::_exit(4);
        ::_exit(body() ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the coupon crashed";
    ASSERT_EQ(WEXITSTATUS(status), 0);
}

} // namespace qv::test
