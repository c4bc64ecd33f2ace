// What the simulated printer library's tests share, in the portable file
// and in each system's own: the fixture, each test in a folder of its own
// with the printer's clock set, and the calls that make a whole coupon.
#pragma once

#include "ecfsim/vendor_api.h"
#include "tests/support/environment.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qv::test {

namespace fs = std::filesystem;

inline const std::string kMeal = "REFEICAO" + std::string(21, ' ');
inline const std::string kMessage = std::string(240, ' ');

class Library : public testing::Test {
  protected:
    void SetUp() override {
        set_env("ECFSIM_DIR", dir_ / "ecf");
        set_env("ECFSIM_NOW", "2026-12-07 10:00:00");
        unset_env("ECFSIM_FALHAS");
    }
    void TearDown() override { unset_env("ECFSIM_FALHAS"); }
    fs::path ecf(const char* name) const { return dir_ / "ecf" / name; }
    static std::int32_t status() {
        std::int32_t error = -1, warning = -1;
        EXPECT_EQ(rStatusUltimoCmdInt_ECF_Daruma(&error, &warning), 1);
        return error;
    }
    static std::int32_t sell(const char* tax = "18,00") {
        return iCFVender_ECF_Daruma(tax, "0001000", "00010000", "D%", "0000", "0000000000001", "UN",
                                    kMeal.c_str());
    }
    static void coupon() {
        ASSERT_EQ(iCFAbrir_ECF_Daruma("12345678909         ", "", ""), 1);
        ASSERT_EQ(sell(), 1);
        ASSERT_EQ(iCFTotalizarCupom_ECF_Daruma("D$", "00000000000000"), 1);
        ASSERT_EQ(iCFEfetuarPagamentoFormatado_ECF_Daruma("Dinheiro", "00000000010000"), 1);
        ASSERT_EQ(iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str()), 1);
    }
    // Runs one call in a new process, as a program restarted between commands.
    static std::string in_new_process(const std::vector<std::string>& args) {
        std::string out = qv::test::run_program(ECFSIM_CALL, args).out;
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
            out.pop_back();
        return out;
    }
    qv::test::ScratchFolder scratch_{"ecfsim-test"};
    fs::path dir_ = scratch_.path();
};

} // namespace qv::test
