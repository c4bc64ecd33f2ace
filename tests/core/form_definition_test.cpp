// The form's definition as data: one row per control name, each inside a
// container stated before it, the focus order, the masks and the initial state.
#include "app/core/form_definition.h"

#include "app/core/edit_mask.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

namespace form = qv::form;
namespace controls = qv::controls;

TEST(FormDefinition, EveryControlSitsInsideAContainerStatedBeforeIt) {
    std::set<std::string_view> seen = {form::kWindow.form_name};
    for (const form::Control& c : form::all()) {
        EXPECT_TRUE(seen.count(c.container)) << c.name << " in " << c.container;
        seen.insert(c.name);
        // A page fills its tab control's page area; everything else lies
        // within its container.
        if (c.kind == form::Kind::Page) continue;
        const form::Rect box = c.container == form::kWindow.form_name
                                   ? form::kWindow.rect
                                   : form::find(c.container)->rect;
        EXPECT_GE(c.rect.left, 0) << c.name;
        EXPECT_GE(c.rect.top, 0) << c.name;
        EXPECT_LE(c.rect.left + c.rect.width, box.width) << c.name;
        EXPECT_LE(c.rect.top + c.rect.height, box.height) << c.name;
    }
}

TEST(FormDefinition, FocusOrder) {
    const std::string_view expected[] = {
        controls::Ed_VALOREF, controls::Ed_VALOBEB,     controls::Rbt_Dinheiro,
        controls::Rbt_Cheque, controls::Rbt_Cartao,     controls::Ed_DOCUMEN,
        controls::Ed_LIBERAC, controls::Bt_Imprime,     controls::Ed_VALOTOT,
        controls::Bt_LEITX,   controls::Bt_REDZ,        controls::Pst_ORELHAS,
        controls::Ed_VALOMAX, controls::Ed_SENHLIB,     controls::Ed_PERCREF,
        controls::Ed_PERCBEB, controls::Bt_REDZ1,       controls::Bt_LEITX1,
        controls::Ed_SENHAM,  controls::Tab_Operadores, controls::Ed_SENHA,
        controls::Cb_Operador};
    std::vector<std::string_view> order(std::size(expected));
    for (const form::Control& c : form::all()) {
        if (c.tab_order == 0) continue;
        ASSERT_GE(c.tab_order, 1) << c.name;
        ASSERT_LE(c.tab_order, static_cast<int>(order.size())) << c.name;
        EXPECT_TRUE(order[c.tab_order - 1].empty()) << c.name << " shares its place";
        order[c.tab_order - 1] = c.name;
    }
    EXPECT_EQ(order, std::vector<std::string_view>(std::begin(expected), std::end(expected)));
}

TEST(FormDefinition, MasksPasswordsAndStartState) {
    struct Row {
        std::string_view name;
        std::string_view picture;
        qv::EditMask::Kind kind;
        bool password;
    };
    const Row edits[] = {
        {controls::Ed_VALOREF, "Z.ZZ9,99", qv::EditMask::Kind::Number, false},
        {controls::Ed_VALOBEB, "Z.ZZ9,99", qv::EditMask::Kind::Number, false},
        {controls::Ed_VALOTOT, "Z.ZZ9,99", qv::EditMask::Kind::Number, false},
        {controls::Ed_DOCUMEN, "X(14)", qv::EditMask::Kind::Text, false},
        {controls::Ed_LIBERAC, "9(06)", qv::EditMask::Kind::Digits, true},
        {controls::Ed_SENHA, "9(06)", qv::EditMask::Kind::Digits, true},
        {controls::Ed_VALOMAX, "Z.ZZ9,99", qv::EditMask::Kind::Number, false},
        {controls::Ed_SENHLIB, "999999", qv::EditMask::Kind::Digits, false},
        {controls::Ed_PERCREF, "z9,99", qv::EditMask::Kind::Number, false},
        {controls::Ed_PERCBEB, "z9,99", qv::EditMask::Kind::Number, false},
        {controls::Ed_SENHAM, "X(06)", qv::EditMask::Kind::Text, true},
    };
    std::size_t masked = 0;
    for (const form::Control& c : form::all()) {
        if (c.kind == form::Kind::MaskedEdit) {
            ++masked;
        } else {
            EXPECT_TRUE(c.picture.empty()) << c.name;
            EXPECT_FALSE(c.password) << c.name;
        }
    }
    EXPECT_EQ(masked, std::size(edits));
    for (const Row& r : edits) {
        const form::Control* c = form::find(r.name);
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_EQ(c->kind, form::Kind::MaskedEdit) << r.name;
        EXPECT_EQ(c->picture, r.picture) << r.name;
        EXPECT_EQ(qv::EditMask::parse(c->picture).kind, r.kind) << r.name;
        EXPECT_EQ(c->password, r.password) << r.name;
    }
    // Hidden at start: the two lock panels and the simulated printer's bands.
    const std::set<std::string_view> hidden = {controls::Frm_SENHA, controls::Frm_SENHAM,
                                               controls::CmStatic_SIMULADA1,
                                               controls::CmStatic_SIMULADA2};
    for (const form::Control& c : form::all())
        EXPECT_EQ(c.visible, !hidden.count(c.name)) << c.name;
    EXPECT_TRUE(form::find(controls::Rbt_Dinheiro)->checked);
    EXPECT_TRUE(form::find(controls::Ed_VALOTOT)->whole_sums);
    EXPECT_EQ(form::find("Ed_NENHUM"), nullptr);
    for (const form::GridColumn& column : form::kGridColumns)
        EXPECT_NE(qv::EditMask::parse(column.picture).kind, qv::EditMask::Kind::Number);
}

TEST(FormDefinition, FontSizesInPixelsOfTheLayout) {
    struct Row {
        int centipoints;
        int pixels;
    };
    for (const Row r : {Row{750, 10}, Row{825, 11}, Row{900, 12}, Row{975, 13}, Row{1200, 16}})
        EXPECT_EQ((form::Font{"Tahoma", r.centipoints, false}.pixels()), r.pixels);
}

} // namespace
