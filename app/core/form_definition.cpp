#include "app/core/form_definition.h"

#include "shared/cp1252.h"

#include <algorithm>
#include <array>

namespace qv::form {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kLilac{202, 202, 255}; // the pages and the lock panels
constexpr Rgb kGrey{128, 128, 128};
constexpr Rgb kButtonFace{240, 240, 240};
constexpr Rgb kFrameBorder{160, 160, 160};
constexpr Rgb kSilver{192, 192, 192};
constexpr Rgb kMaroon{128, 0, 0};
constexpr Rgb kTeal{0, 128, 128};
constexpr Rgb kTotalYellow{255, 255, 202};
constexpr Rgb kReleasePink{255, 223, 223};
constexpr Rgb kBandRed{192, 0, 0}; // the simulated printer's warning

constexpr Font kTabFont{"Tahoma", 975, true};
constexpr Font kPanelFont{"MS Sans Serif", 825, false};
constexpr Font kFrameFont{"Tahoma", 1200, false};
constexpr Font kEditFont{"Tahoma", 1200, true};
constexpr Font kOptionFont{"Arial", 1200, false};
constexpr Font kButtonFont{"MS Shell Dlg", 825, true};
constexpr Font kGridFont{"MS Shell Dlg", 825, false};
constexpr Font kListFont{"Courier New", 975, false};
constexpr Font kSmallLabelFont{"Tahoma", 900, false};
constexpr Font kBandFont{"Tahoma", 750, true};

// clang-format off
constexpr std::array kControls = {
    Control{.name = controls::Pst_ORELHAS, .kind = Kind::TabControl, .container = kWindow.form_name, .rect = {6, 8, 350, 318}, .font = kTabFont, .text = kBlack, .background = kLilac, .border = kGrey, .tab_order = 12},
    Control{.name = controls::Pagina1, .kind = Kind::Page, .container = controls::Pst_ORELHAS, .rect = {0, 24, 349, 295}, .caption = "TORNEI"},
    Control{.name = controls::Frm_Logo, .kind = Kind::Panel, .container = controls::Pagina1, .rect = {0, 0, 349, 295}, .font = kPanelFont, .background = kLilac, .border = kGrey},
    Control{.name = controls::Img_FUNDO, .kind = Kind::Picture, .container = controls::Frm_Logo, .rect = {5, 79, 334, 132}, .image = "FD_CHECKOUT", .centred = true},
    Control{.name = controls::CmStatic_SIMULADA1, .kind = Kind::Label, .container = controls::Frm_Logo, .rect = {5, 236, 334, 16}, .caption = "IMPRESSORA SIMULADA - SEM VALOR FISCAL", .font = kBandFont, .text = kWhite, .background = kBandRed, .centred = true, .visible = false},
    Control{.name = controls::Pagina2, .kind = Kind::Page, .container = controls::Pst_ORELHAS, .rect = {0, 24, 349, 295}, .caption = "CUPOM"},
    Control{.name = controls::Frm_Dados, .kind = Kind::Panel, .container = controls::Pagina2, .rect = {0, 0, 349, 295}, .font = kPanelFont, .background = kLilac, .border = kGrey},
    Control{.name = controls::Frm_DOCUMENTO1, .kind = Kind::Frame, .container = controls::Frm_Dados, .rect = {9, 6, 326, 33}, .caption = " Refeição"_cp1252, .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_VALOREF, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO1, .rect = {224, 4, 79, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "Z.ZZ9,99", .tab_order = 1},
    Control{.name = controls::Frm_DOCUMENTO2, .kind = Kind::Frame, .container = controls::Frm_Dados, .rect = {9, 45, 326, 33}, .caption = " Bebidas", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_VALOBEB, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO2, .rect = {224, 4, 79, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "Z.ZZ9,99", .tab_order = 2},
    Control{.name = controls::Frm_DOCUMENTO3, .kind = Kind::Frame, .container = controls::Frm_Dados, .rect = {9, 84, 326, 33}, .caption = " T O T A L ", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_VALOTOT, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO3, .rect = {224, 4, 79, 23}, .font = kEditFont, .text = kBlack, .background = kTotalYellow, .border = kGrey, .picture = "Z.ZZ9,99", .whole_sums = true, .read_only = true, .tab_order = 9},
    Control{.name = controls::Frm_DOCUMENTO13, .kind = Kind::Frame, .container = controls::Frm_Dados, .rect = {9, 123, 326, 33}, .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Rbt_Dinheiro, .kind = Kind::OptionButton, .container = controls::Frm_DOCUMENTO13, .rect = {10, 4, 94, 22}, .caption = " Dinheiro", .font = kOptionFont, .checked = true, .tab_order = 3},
    Control{.name = controls::Rbt_Cheque, .kind = Kind::OptionButton, .container = controls::Frm_DOCUMENTO13, .rect = {116, 4, 94, 22}, .caption = " Cheque", .font = kOptionFont, .tab_order = 4},
    Control{.name = controls::Rbt_Cartao, .kind = Kind::OptionButton, .container = controls::Frm_DOCUMENTO13, .rect = {221, 4, 94, 22}, .caption = "Cartão"_cp1252, .font = kOptionFont, .tab_order = 5},
    Control{.name = controls::Frm_DOCUMENTO, .kind = Kind::Frame, .container = controls::Frm_Dados, .rect = {9, 162, 326, 33}, .caption = " Documento", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_DOCUMEN, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO, .rect = {140, 4, 165, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "X(14)", .tab_order = 6},
    Control{.name = controls::Frm_DOCUMENTO12, .kind = Kind::Frame, .container = controls::Frm_Dados, .rect = {9, 201, 326, 33}, .caption = " Senha de Liberação"_cp1252, .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_LIBERAC, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO12, .rect = {236, 4, 67, 23}, .font = kEditFont, .text = kBlack, .background = kReleasePink, .border = kGrey, .picture = "9(06)", .password = true, .tab_order = 7},
    Control{.name = controls::Bt_Imprime, .kind = Kind::Button, .container = controls::Frm_Dados, .rect = {9, 249, 146, 36}, .caption = "IMPRIME CUPOM", .font = kButtonFont, .text = kBlack, .background = kSilver, .tab_order = 8},
    Control{.name = controls::Bt_LEITX1, .kind = Kind::Button, .container = controls::Frm_Dados, .rect = {189, 249, 146, 36}, .caption = "CANCELA ÚLT. CUPOM"_cp1252, .font = kButtonFont, .text = kBlack, .background = kSilver, .tab_order = 18},
    Control{.name = controls::Frm_SENHA, .kind = Kind::Panel, .container = controls::Pagina2, .rect = {0, 0, 349, 295}, .font = kPanelFont, .background = kLilac, .border = kGrey, .visible = false},
    Control{.name = controls::Frm_DOCUMENTO11, .kind = Kind::Frame, .container = controls::Frm_SENHA, .rect = {42, 98, 263, 53}, .caption = " Usuário"_cp1252, .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Cb_Operador, .kind = Kind::ComboBox, .container = controls::Frm_DOCUMENTO11, .rect = {84, 13, 167, 23}, .font = kListFont, .text = kBlack, .background = kWhite, .border = kTeal, .tab_order = 22},
    Control{.name = controls::Frm_DOCUMENTO10, .kind = Kind::Frame, .container = controls::Frm_SENHA, .rect = {42, 164, 263, 53}, .caption = " Senha", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_SENHA, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO10, .rect = {181, 14, 64, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "9(06)", .password = true, .tab_order = 21},
    Control{.name = controls::CmStatic_SIMULADA2, .kind = Kind::Label, .container = controls::Pagina2, .rect = {9, 236, 326, 12}, .caption = "IMPRESSORA SIMULADA - SEM VALOR FISCAL", .font = kBandFont, .text = kWhite, .background = kBandRed, .centred = true, .visible = false},
    Control{.name = controls::Pagina3, .kind = Kind::Page, .container = controls::Pst_ORELHAS, .rect = {0, 24, 349, 295}, .caption = "CONFIGURAÇÃO"_cp1252},
    Control{.name = controls::Frm_Dados1, .kind = Kind::Panel, .container = controls::Pagina3, .rect = {0, 0, 349, 295}, .font = kPanelFont, .background = kLilac, .border = kGrey},
    Control{.name = controls::Frm_DOCUMENTO4, .kind = Kind::Frame, .container = controls::Frm_Dados1, .rect = {5, 6, 334, 148}, .caption = " Operadores", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Tab_Operadores, .kind = Kind::Grid, .container = controls::Frm_DOCUMENTO4, .rect = {97, 5, 173, 134}, .font = kGridFont, .background = kWhite, .tab_order = 20},
    Control{.name = controls::Frm_DOCUMENTO5, .kind = Kind::Frame, .container = controls::Frm_Dados1, .rect = {5, 159, 334, 33}, .caption = " Valor Máximo                     Senha"_cp1252, .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_VALOMAX, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO5, .rect = {119, 4, 79, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "Z.ZZ9,99", .tab_order = 13},
    Control{.name = controls::Ed_SENHLIB, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO5, .rect = {260, 4, 65, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "999999", .tab_order = 14},
    Control{.name = controls::Frm_DOCUMENTO9, .kind = Kind::Frame, .container = controls::Frm_Dados1, .rect = {6, 195, 334, 52}, .caption = "% Lei 12.741", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::CmStatic1, .kind = Kind::Label, .container = controls::Frm_DOCUMENTO9, .rect = {146, 4, 57, 18}, .caption = "Refeições"_cp1252, .font = kSmallLabelFont, .text = kWhite, .background = kNavy},
    Control{.name = controls::CmStatic2, .kind = Kind::Label, .container = controls::Frm_DOCUMENTO9, .rect = {270, 4, 51, 18}, .caption = "Bebidas", .font = kSmallLabelFont, .text = kWhite, .background = kNavy},
    Control{.name = controls::Ed_PERCREF, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO9, .rect = {146, 23, 54, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "z9,99", .tab_order = 15},
    Control{.name = controls::Ed_PERCBEB, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO9, .rect = {264, 23, 54, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "z9,99", .tab_order = 16},
    Control{.name = controls::Bt_LEITX, .kind = Kind::Button, .container = controls::Frm_Dados1, .rect = {5, 253, 98, 31}, .caption = "LEITURA X", .font = kButtonFont, .text = kBlack, .background = kSilver, .tab_order = 10},
    Control{.name = controls::Bt_REDZ, .kind = Kind::Button, .container = controls::Frm_Dados1, .rect = {124, 253, 98, 31}, .caption = "REDUÇÃO Z"_cp1252, .font = kButtonFont, .text = kBlack, .background = kSilver, .tab_order = 11},
    Control{.name = controls::Bt_REDZ1, .kind = Kind::Button, .container = controls::Frm_Dados1, .rect = {242, 253, 98, 31}, .caption = "GRAVAR", .font = kButtonFont, .text = kMaroon, .background = kButtonFace, .tab_order = 17},
    Control{.name = controls::Frm_SENHAM, .kind = Kind::Panel, .container = kWindow.form_name, .rect = {6, 8, 350, 318}, .font = kPanelFont, .background = kLilac, .border = kGrey, .visible = false},
    Control{.name = controls::Frm_DOCUMENTO8, .kind = Kind::Frame, .container = controls::Frm_SENHAM, .rect = {60, 119, 224, 53}, .caption = " Senha Master", .font = kFrameFont, .text = kBlack, .background = kButtonFace, .border = kFrameBorder},
    Control{.name = controls::Ed_SENHAM, .kind = Kind::MaskedEdit, .container = controls::Frm_DOCUMENTO8, .rect = {140, 14, 69, 23}, .font = kEditFont, .text = kBlack, .background = kWhite, .border = kGrey, .picture = "X(06)", .password = true, .tab_order = 19},
};
// clang-format on

// One row per name of control_names.h, in its order.
constexpr bool rows_follow_the_names() {
    if (kControls.size() != controls::kAll.size()) return false;
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].name != controls::kAll[i].name) return false;
    return true;
}
static_assert(rows_follow_the_names(), "one row per control, in the order of control_names.h");

} // namespace

std::span<const Control> all() {
    return kControls;
}

const Control* find(std::string_view name) {
    const auto* it = std::find_if(kControls.begin(), kControls.end(),
                                  [name](const Control& c) { return c.name == name; });
    return it == kControls.end() ? nullptr : &*it;
}

} // namespace qv::form
