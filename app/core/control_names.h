// The names of the window's controls, as the form (app/window/main_form.ui)
// gives them and as the engine, the handlers and the window address them.
// A test checks this list against the form, both ways.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

// Every control of the form, in the form's order: X(name, widget class).
// Each name is written here once; the constants and the list below are made
// from it, so a misspelt name in code is a compile error.
// clang-format off
#define QV_FORM_CONTROLS(X) \
    X(Pst_ORELHAS, QTabWidget) \
    X(Pagina1, QWidget) \
    X(Frm_Logo, QFrame) \
    X(Img_FUNDO, QLabel) \
    X(CmStatic_SIMULADA1, QLabel) \
    X(Pagina2, QWidget) \
    X(Frm_Dados, QFrame) \
    X(Frm_DOCUMENTO1, QGroupBox) \
    X(Ed_VALOREF, qv::MaskedEdit) \
    X(Frm_DOCUMENTO2, QGroupBox) \
    X(Ed_VALOBEB, qv::MaskedEdit) \
    X(Frm_DOCUMENTO3, QGroupBox) \
    X(Ed_VALOTOT, qv::MaskedEdit) \
    X(Frm_DOCUMENTO13, QGroupBox) \
    X(Rbt_Dinheiro, QRadioButton) \
    X(Rbt_Cheque, QRadioButton) \
    X(Rbt_Cartao, QRadioButton) \
    X(Frm_DOCUMENTO, QGroupBox) \
    X(Ed_DOCUMEN, qv::MaskedEdit) \
    X(Frm_DOCUMENTO12, QGroupBox) \
    X(Ed_LIBERAC, qv::MaskedEdit) \
    X(Bt_Imprime, QPushButton) \
    X(Bt_LEITX1, QPushButton) \
    X(Frm_SENHA, QFrame) \
    X(Frm_DOCUMENTO11, QGroupBox) \
    X(Cb_Operador, QComboBox) \
    X(Frm_DOCUMENTO10, QGroupBox) \
    X(Ed_SENHA, qv::MaskedEdit) \
    X(CmStatic_SIMULADA2, QLabel) \
    X(Pagina3, QWidget) \
    X(Frm_Dados1, QFrame) \
    X(Frm_DOCUMENTO4, QGroupBox) \
    X(Tab_Operadores, QTableWidget) \
    X(Frm_DOCUMENTO5, QGroupBox) \
    X(Ed_VALOMAX, qv::MaskedEdit) \
    X(Ed_SENHLIB, qv::MaskedEdit) \
    X(Frm_DOCUMENTO9, QGroupBox) \
    X(CmStatic1, QLabel) \
    X(CmStatic2, QLabel) \
    X(Ed_PERCREF, qv::MaskedEdit) \
    X(Ed_PERCBEB, qv::MaskedEdit) \
    X(Bt_LEITX, QPushButton) \
    X(Bt_REDZ, QPushButton) \
    X(Bt_REDZ1, QPushButton) \
    X(Frm_SENHAM, QFrame) \
    X(Frm_DOCUMENTO8, QGroupBox) \
    X(Ed_SENHAM, qv::MaskedEdit)
// clang-format on

namespace qv::controls {

#define QV_CONTROL_NAME(name, widget_class) inline constexpr std::string_view name = #name;
QV_FORM_CONTROLS(QV_CONTROL_NAME)
#undef QV_CONTROL_NAME

// A control of the form and the widget class the form makes it of.
struct Control {
    std::string_view name;
    std::string_view widget_class;
};

// Every control of the form, in the form's order.
#define QV_CONTROL_ROW(name, widget_class) Control{name, #widget_class},
inline constexpr std::array kAll = {QV_FORM_CONTROLS(QV_CONTROL_ROW)};
#undef QV_CONTROL_ROW

// Whether the form has a control of that name.
constexpr bool is_control(std::string_view name) {
    return std::any_of(kAll.begin(), kAll.end(),
                       [name](const Control& c) { return c.name == name; });
}

} // namespace qv::controls
