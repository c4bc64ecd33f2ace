// The window doubles refuse a control the form does not have: every kind of
// call with a misspelt name fails the test (the scripted window) or aborts
// naming it (the benchmarks' and the fuzzers' doubles), and leaves the form
// as it was.
#include "app/core/control_names.h"
#include "tests/support/scripted_window.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

namespace qv::test {
namespace {

static_assert(controls::is_control(controls::Ed_VALOREF));
static_assert(controls::is_control("Ed_SENHAM"));
static_assert(!controls::is_control("Ed_VALORF"));
static_assert(!controls::is_control(""));

TEST(ControlNames, OnlyTheFormsOwnNamesAreControls) {
    for (const controls::Control& c : controls::kAll)
        EXPECT_TRUE(controls::is_control(c.name)) << c.name;
    // Near misses: a letter short, another case, a blank around, the form's
    // own name, a cursor's name.
    for (std::string_view name : {"Ed_VALORE", "ed_valoref", "ED_VALOREF", " Ed_VALOREF",
                                  "Ed_VALOREF ", "", "01-Quiterval", "Mao"})
        EXPECT_FALSE(controls::is_control(name)) << '"' << name << '"';
}

constexpr std::string_view kMisspelt = "Ed_VALORF";

struct MisspeltCall {
    const char* name;
    std::string_view control; // a control the call takes
    std::function<void(ScriptedWindow&, std::string_view)> call;
};
void PrintTo(const MisspeltCall& c, std::ostream* os) {
    *os << c.name;
}

const MisspeltCall kMisspeltCalls[] = {
    {"get_text", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) {
         EXPECT_EQ(w.get_text(n), std::string(256, ' '));
     }},
    {"set_text", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.set_text(n, "X"); }},
    {"get_number", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { EXPECT_EQ(w.get_number(n), Decimal{}); }},
    {"set_number", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.set_number(n, Decimal::from_int(1)); }},
    {"set_visible", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.set_visible(n, false); }},
    {"set_position", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.set_position(n, 1, 2); }},
    {"set_focus", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.set_focus(n); }},
    {"selected_page", controls::Pst_ORELHAS,
     [](ScriptedWindow& w, std::string_view n) { w.selected_page(n); }},
    {"grid_text", controls::Tab_Operadores,
     [](ScriptedWindow& w, std::string_view n) { w.grid_text(n, 1, 1); }},
    {"set_grid_text", controls::Tab_Operadores,
     [](ScriptedWindow& w, std::string_view n) { w.set_grid_text(n, 1, 1, "X"); }},
    {"grid_number", controls::Tab_Operadores,
     [](ScriptedWindow& w, std::string_view n) { w.grid_number(n, 1, 2); }},
    {"set_grid_number", controls::Tab_Operadores,
     [](ScriptedWindow& w, std::string_view n) {
         w.set_grid_number(n, 1, 2, Decimal::from_int(1));
     }},
    {"list_clear", controls::Cb_Operador,
     [](ScriptedWindow& w, std::string_view n) { w.list_clear(n); }},
    {"list_add", controls::Cb_Operador,
     [](ScriptedWindow& w, std::string_view n) { w.list_add(n, "X"); }},
    {"option_value", controls::Rbt_Cheque,
     [](ScriptedWindow& w, std::string_view n) { EXPECT_EQ(w.option_value(n), 0); }},
    {"type", controls::Ed_VALOREF, [](ScriptedWindow& w, std::string_view n) { w.type(n, "X"); }},
    {"type_number", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.type_number(n, "1,00"); }},
    {"put_number", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.put_number(n, Decimal::from_int(1)); }},
    {"choose_option", controls::Rbt_Cheque,
     [](ScriptedWindow& w, std::string_view n) { w.choose_option(n); }},
    {"text", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { EXPECT_EQ(w.text(n), ""); }},
    {"number", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { EXPECT_EQ(w.number(n), Decimal{}); }},
    {"visible", controls::Ed_VALOREF, [](ScriptedWindow& w, std::string_view n) { w.visible(n); }},
    {"position", controls::Ed_VALOREF,
     [](ScriptedWindow& w, std::string_view n) { w.position(n); }},
};

class MisspeltControlTest : public ::testing::TestWithParam<MisspeltCall> {};

TEST_P(MisspeltControlTest, FailsTheTestNamingTheControl) {
    ScriptedWindow window;
    const MisspeltCall& c = GetParam();
    EXPECT_NONFATAL_FAILURE(c.call(window, kMisspelt),
                            std::string(c.name) + ": the form has no control \"Ed_VALORF\"");
    // Nothing of the form changed: cash still selected, the lock panel
    // hidden, no focus, no entry in the list, the grid empty.
    EXPECT_EQ(window.option_value(controls::Rbt_Dinheiro), -1);
    EXPECT_FALSE(window.visible(controls::Frm_SENHA));
    EXPECT_EQ(window.focus(), "");
    EXPECT_TRUE(window.list().empty());
    EXPECT_EQ(window.grid_name(1), "");
}

TEST_P(MisspeltControlTest, TheFormsOwnNamePasses) {
    ScriptedWindow window;
    GetParam().call(window, GetParam().control);
}

INSTANTIATE_TEST_SUITE_P(EveryCall, MisspeltControlTest, ::testing::ValuesIn(kMisspeltCalls),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FormDouble, AGridCallOnAnotherControlFailsTheTest) {
    ScriptedWindow window;
    EXPECT_NONFATAL_FAILURE(window.set_grid_text(controls::Cb_Operador, 1, 1, "X"),
                            "no grid cell Cb_Operador (1, 1)");
    EXPECT_NONFATAL_FAILURE(window.grid_number(controls::Tab_Operadores, 41, 2),
                            "no grid cell Tab_Operadores (41, 2)");
}

// The benchmarks' and the fuzzers' doubles have no test to fail: the call
// aborts, naming the control.
class BareDouble : public FormDouble {
  public:
    int message_box(std::string_view, int) override { return kAnswerOk; }
    void open_form(std::string_view) override {}
    void run_program(std::string_view, int) override {}
};

TEST(FormDoubleDeathTest, AMisspeltControlAbortsNamingIt) {
    BareDouble window;
    EXPECT_DEATH(window.set_text("Ed_VALORF", "X"),
                 "set_text: the form has no control \"Ed_VALORF\"");
    EXPECT_DEATH(window.get_number("Ed_PERCREFF"),
                 "get_number: the form has no control \"Ed_PERCREFF\"");
    window.set_text(controls::Ed_VALOREF, "12");
    EXPECT_EQ(window.number(controls::Ed_VALOREF), Decimal::from_int(12));
}

} // namespace
} // namespace qv::test
