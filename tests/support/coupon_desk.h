// The till as the coupon tests find it and what they check after a coupon:
// the operators in the login list with the first one logged in, the tax
// percentages typed, cash selected; a coupon typed and printed; the form
// emptied for the next one.
#pragma once

#include "app/core/control_names.h"
#include "app/core/coupon_engine.h"
#include "tests/support/scripted_window.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>

namespace qv::test {

// The operators' login entries, the first one chosen; 10 % taxes on meals
// and 20 % on drinks; cash selected. The window's log starts empty.
inline void open_till(ScriptedWindow& window, std::initializer_list<std::string_view> operators) {
    for (std::string_view entry : operators)
        window.list_add(controls::Cb_Operador, entry);
    window.choose_entry(0);
    window.type_number(controls::Ed_PERCREF, "10,00");
    window.type_number(controls::Ed_PERCBEB, "20,00");
    window.choose_option(controls::Rbt_Dinheiro);
    window.clear_log();
}

// Types a coupon (its total the sum of both amounts) and presses the button
// of the engine's action "IMPCUP".
inline void issue_coupon(ScriptedWindow& window, CouponEngine& engine, std::string_view meal,
                         std::string_view drinks, std::string_view document = "") {
    window.type_number(controls::Ed_VALOREF, meal);
    window.type_number(controls::Ed_VALOBEB, drinks);
    window.put_number(controls::Ed_VALOTOT,
                      window.number(controls::Ed_VALOREF) + window.number(controls::Ed_VALOBEB));
    window.type(controls::Ed_DOCUMEN, document);
    engine.set_action("IMPCUP");
    engine.PROC_ECF_01();
}

// The form after a coupon: its fields (and `also_emptied`) empty, the login
// panel shown, the focus on the login list.
inline void expect_form_reset(const ScriptedWindow& window,
                              std::initializer_list<std::string_view> also_emptied = {}) {
    for (std::string_view c : {controls::Ed_DOCUMEN, controls::Ed_VALOREF, controls::Ed_VALOBEB,
                               controls::Ed_VALOTOT, controls::Ed_SENHA})
        EXPECT_EQ(window.text(c), "") << c;
    for (std::string_view c : also_emptied)
        EXPECT_EQ(window.text(c), "") << c;
    EXPECT_TRUE(window.visible(controls::Frm_SENHA));
    EXPECT_EQ(window.focus(), controls::Cb_Operador);
}

} // namespace qv::test
