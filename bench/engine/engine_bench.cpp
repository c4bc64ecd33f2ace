// The coupon engine's own time for one "IMPCUP" against a do-nothing vendor
// library: everything but the printer (reading the form, the taxes, the
// closing message, the parameter block, six driver invocations with their
// by-name binding, the result checks, the form reset). Target: under 200
// microseconds per coupon.
#include "app/core/control_names.h"
#include "app/core/coupon_engine.h"
#include "driver/fiscal_driver.h"
#include "tests/support/form_double.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

namespace controls = qv::controls;

// The form filled in once for a coupon of meals and drinks paid by card; what
// the engine sets is forgotten, so every round prints the same coupon. A
// control the form does not have aborts the benchmark.
class BenchWindow : public qv::test::FormDouble {
  public:
    BenchWindow() {
        FormDouble::list_add(controls::Cb_Operador, "MARIA               - 123456");
        choose_entry(0);
        type(controls::Ed_DOCUMEN, "12345678909");
        type_number(controls::Ed_VALOREF, "100,00");
        type_number(controls::Ed_VALOBEB, "50,00");
        type_number(controls::Ed_VALOTOT, "150,00");
        type_number(controls::Ed_PERCREF, "10,00");
        type_number(controls::Ed_PERCBEB, "20,00");
        choose_option(controls::Rbt_Cartao);
    }
    void set_text(std::string_view control, std::string_view) override {
        known("set_text", control);
    }
    void set_number(std::string_view control, qv::Decimal) override {
        known("set_number", control);
    }
    void list_clear(std::string_view combo) override { known("list_clear", combo); }
    void list_add(std::string_view combo, std::string_view) override { known("list_add", combo); }
    int message_box(std::string_view, int) override {
        ++boxes;
        return qv::kAnswerNo;
    }
    void open_form(std::string_view name) override { qv::driver::invoke_form(name); }
    void run_program(std::string_view, int) override {}

    int boxes = 0;
};

void do_nothing_printer() {
    ::setenv("QUITERVAL_ECF_LIBRARY", ECF_RECORDER_PATH, 1);
    ::unsetenv("ECF_RECORDER_LOG");
    ::unsetenv("ECF_RECORDER_SCRIPT");
}

void BM_Impcup(benchmark::State& state) {
    do_nothing_printer();
    BenchWindow window;
    qv::CouponEngine engine(window);
    for (auto _ : state) {
        engine.set_action("IMPCUP");
        engine.PROC_ECF_01();
        benchmark::DoNotOptimize(engine.W_TRIBUTOS);
    }
    if (window.boxes != 0 || engine.W_STATUS_ECF != 'S')
        state.SkipWithError("a coupon did not go through cleanly");
    state.SetLabel("meal + drinks, 6 driver commands");
}
BENCHMARK(BM_Impcup)->Unit(benchmark::kMicrosecond);

void BM_Vercpf(benchmark::State& state) {
    BenchWindow window;
    qv::CouponEngine engine(window);
    for (auto _ : state) {
        engine.set_action("VERCPF");
        engine.PROC_ECF_01();
    }
    if (window.boxes != 0) state.SkipWithError("the document was refused");
}
BENCHMARK(BM_Vercpf)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
