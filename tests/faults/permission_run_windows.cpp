// The piece of a test run where the permission bits hold, on Windows: no
// permission bits to meet, so it runs in this process, its error output
// caught in the file meanwhile.
#include "permission_run.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace qv::test {

void run_obeying_permissions(const std::filesystem::path& error_file,
                             const std::function<bool()>& body) {
    std::fflush(stderr);
    const int saved = ::_dup(2);
    const int caught = ::_open(error_file.string().c_str(),
                               _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    ASSERT_GE(caught, 0);
    ::_dup2(caught, 2);
    ::_close(caught);
    const bool kept = body();
    std::fflush(stderr);
    ::_dup2(saved, 2);
    ::_close(saved);
    ASSERT_TRUE(kept);
    ASSERT_TRUE(std::filesystem::exists(error_file));
}

} // namespace qv::test
