// The coupon engine's own time for one "IMPCUP" against a do-nothing vendor
// library: everything but the printer (reading the form, the taxes, the
// closing message, the parameter block, six driver invocations with their
// by-name binding, the result checks, the form reset). Target: under 200
// microseconds per coupon.
#include "app/core/coupon_engine.h"
#include "driver/fiscal_driver.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// A window that answers from a few fixed values and forgets what is set.
class BenchWindow : public qv::WindowOps {
  public:
    std::string get_text(std::string_view control) override {
        if (control == "Cb_Operador") return operator_entry_;
        if (control == "Ed_DOCUMEN") return document_;
        return blank_;
    }
    void set_text(std::string_view, std::string_view) override {}
    qv::Decimal get_number(std::string_view control) override {
        if (control == "Ed_VALOREF") return meal_;
        if (control == "Ed_VALOBEB") return drinks_;
        if (control == "Ed_VALOTOT") return meal_ + drinks_;
        if (control == "Ed_PERCREF") return percent_meal_;
        if (control == "Ed_PERCBEB") return percent_drinks_;
        return {};
    }
    void set_number(std::string_view, qv::Decimal) override {}
    void set_visible(std::string_view, bool) override {}
    void set_position(std::string_view, int, int) override {}
    void set_focus(std::string_view) override {}
    int selected_page(std::string_view) override { return 1; }
    int message_box(std::string_view, int) override {
        ++boxes;
        return qv::kAnswerNo;
    }
    void open_form(std::string_view name) override { qv::driver::invoke_form(name); }
    void close_window() override {}
    void run_program(std::string_view, int) override {}
    void set_pointer(std::string_view) override {}
    std::string grid_text(std::string_view, int, int) override { return blank_; }
    void set_grid_text(std::string_view, int, int, std::string_view) override {}
    qv::Decimal grid_number(std::string_view, int, int) override { return {}; }
    void set_grid_number(std::string_view, int, int, qv::Decimal) override {}
    void list_clear(std::string_view) override {}
    void list_add(std::string_view, std::string_view) override {}
    int option_value(std::string_view option) override { return option == "Rbt_Cartao" ? -1 : 0; }

    int boxes = 0;

  private:
    static std::string padded(std::string s) {
        s.resize(256, ' ');
        return s;
    }
    std::string blank_ = padded("");
    std::string operator_entry_ = padded("MARIA               - 123456");
    std::string document_ = padded("12345678909");
    qv::Decimal meal_ = *qv::Decimal::parse("100,00");
    qv::Decimal drinks_ = *qv::Decimal::parse("50,00");
    qv::Decimal percent_meal_ = *qv::Decimal::parse("10,00");
    qv::Decimal percent_drinks_ = *qv::Decimal::parse("20,00");
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
