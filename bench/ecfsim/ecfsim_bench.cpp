// The simulated printer's cost per coupon (open, one item, total, payment,
// close): the printer's rules on a memory held in the process, and the same
// coupon through the exported functions in a scratch folder.
#include "ecfsim/printer.h"
#include "ecfsim/vendor_api.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string kMeal = "REFEICAO" + std::string(21, ' ');
const std::string kMessage(240, ' ');

void BM_CouponRulesOnly(benchmark::State& state) {
    using namespace qv::ecfsim;
    FiscalMemory m;
    const Config config;
    const Moment now = *parse_moment("2026-12-07 10:00:00");
    for (auto _ : state) {
        Printer p(m, config, now);
        int ok = p.open("12345678909         ", "", "").answer;
        ok += p.sell("18,00", "0001000", "00010000", "D%", "0000", "0000000000001", "UN",
                     kMeal.c_str())
                  .answer;
        ok += p.total("D$", "00000000000000").answer;
        ok += p.pay("Dinheiro", "00000000010000").answer;
        ok += p.close(kMessage.c_str()).answer;
        if (ok != 5) state.SkipWithError("a command was refused");
        benchmark::DoNotOptimize(m);
    }
    state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_CouponRulesOnly);

void BM_CouponThroughLibrary(benchmark::State& state) {
    char pattern[] = "/tmp/ecfsim-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("no scratch folder");
        return;
    }
    setenv("ECFSIM_DIR", pattern, 1);
    setenv("ECFSIM_NOW", "2026-12-07 10:00:00", 1);
    for (auto _ : state) {
        int ok = iCFAbrir_ECF_Daruma("12345678909         ", "", "");
        ok += iCFVender_ECF_Daruma("18,00", "0001000", "00010000", "D%", "0000", "0000000000001",
                                   "UN", kMeal.c_str());
        ok += iCFTotalizarCupom_ECF_Daruma("D$", "00000000000000");
        ok += iCFEfetuarPagamentoFormatado_ECF_Daruma("Dinheiro", "00000000010000");
        ok += iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str());
        if (ok != 5) state.SkipWithError("a command was refused");
    }
    state.SetItemsProcessed(state.iterations() * 5);
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
}
BENCHMARK(BM_CouponThroughLibrary)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
