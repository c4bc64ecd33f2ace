// The tests' certificates, made once per test program by
// tests/support/test_pki.sh into a scratch folder of their own (the shop's
// CNPJ 12345678000195), a second authority that nothing trusts, and the
// independent tools that check what the program signs: openssl and xmlsec1.
// Without either tool the tests that need it are skipped, saying which is
// missing.
#pragma once

#include "tests/support/files.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace qv::test {

inline constexpr const char* kPkiCnpj = "12345678000195";

inline bool installed(const char* program) {
    return run_program(program, {"--version"}).status == 0 ||
           run_program(program, {"version"}).status == 0;
}

class TestPki {
  public:
    // The PKI of this run; made the first time it is asked for.
    static const TestPki& get() {
        static const TestPki pki;
        return pki;
    }

    // Why the tests cannot run here; empty when they can.
    const std::string& missing() const { return missing_; }
    std::string file(const char* name) const { return folder_.text() + "/" + name; }
    // A file of the second authority's set, made the first time one is
    // asked for; empty when it could not be made.
    std::string other(const char* name) const {
        if (!other_made_) {
            other_made_ = true;
            other_ok_ =
                missing_.empty() &&
                run_program("bash", {NFCE_TEST_PKI, folder_.text() + "/outra", kPkiCnpj}).status ==
                    0;
        }
        return other_ok_ ? folder_.text() + "/outra/" + name : std::string();
    }
    const ScratchFolder& folder() const { return folder_; }

  private:
    TestPki() : folder_("qv-nfce-pki") {
        if (!installed("openssl")) {
            missing_ = "openssl is not installed";
            return;
        }
        const ProgramRun made = run_program("bash", {NFCE_TEST_PKI, folder_.text(), kPkiCnpj});
        if (made.status != 0) missing_ = "test_pki.sh failed: " + made.err;
    }

    ScratchFolder folder_;
    std::string missing_;
    mutable bool other_made_ = false;
    mutable bool other_ok_ = false;
};

} // namespace qv::test

// Skips the test when the PKI or `tool` is missing.
#define QV_NEED_PKI(tool)                                                                          \
    do {                                                                                           \
        const std::string& why = ::qv::test::TestPki::get().missing();                             \
        if (!why.empty()) GTEST_SKIP() << why;                                                     \
        if (!::qv::test::installed(tool)) GTEST_SKIP() << tool << " is not installed";             \
    } while (false)
