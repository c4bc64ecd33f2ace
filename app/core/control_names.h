// The names of the window's controls, as the form (app/window/main_form.ui)
// gives them and as the engine, the handlers and the window address them.
// A test checks this list against the form, both ways.
#pragma once

#include <array>
#include <string_view>

namespace qv::controls {

inline constexpr std::string_view Pst_ORELHAS = "Pst_ORELHAS";
inline constexpr std::string_view Pagina1 = "Pagina1";
inline constexpr std::string_view Frm_Logo = "Frm_Logo";
inline constexpr std::string_view Img_FUNDO = "Img_FUNDO";
inline constexpr std::string_view CmStatic_SIMULADA1 = "CmStatic_SIMULADA1";
inline constexpr std::string_view Pagina2 = "Pagina2";
inline constexpr std::string_view Frm_Dados = "Frm_Dados";
inline constexpr std::string_view Frm_DOCUMENTO1 = "Frm_DOCUMENTO1";
inline constexpr std::string_view Ed_VALOREF = "Ed_VALOREF";
inline constexpr std::string_view Frm_DOCUMENTO2 = "Frm_DOCUMENTO2";
inline constexpr std::string_view Ed_VALOBEB = "Ed_VALOBEB";
inline constexpr std::string_view Frm_DOCUMENTO3 = "Frm_DOCUMENTO3";
inline constexpr std::string_view Ed_VALOTOT = "Ed_VALOTOT";
inline constexpr std::string_view Frm_DOCUMENTO13 = "Frm_DOCUMENTO13";
inline constexpr std::string_view Rbt_Dinheiro = "Rbt_Dinheiro";
inline constexpr std::string_view Rbt_Cheque = "Rbt_Cheque";
inline constexpr std::string_view Rbt_Cartao = "Rbt_Cartao";
inline constexpr std::string_view Frm_DOCUMENTO = "Frm_DOCUMENTO";
inline constexpr std::string_view Ed_DOCUMEN = "Ed_DOCUMEN";
inline constexpr std::string_view Frm_DOCUMENTO12 = "Frm_DOCUMENTO12";
inline constexpr std::string_view Ed_LIBERAC = "Ed_LIBERAC";
inline constexpr std::string_view Bt_Imprime = "Bt_Imprime";
inline constexpr std::string_view Bt_LEITX1 = "Bt_LEITX1";
inline constexpr std::string_view Frm_SENHA = "Frm_SENHA";
inline constexpr std::string_view Frm_DOCUMENTO11 = "Frm_DOCUMENTO11";
inline constexpr std::string_view Cb_Operador = "Cb_Operador";
inline constexpr std::string_view Frm_DOCUMENTO10 = "Frm_DOCUMENTO10";
inline constexpr std::string_view Ed_SENHA = "Ed_SENHA";
inline constexpr std::string_view CmStatic_SIMULADA2 = "CmStatic_SIMULADA2";
inline constexpr std::string_view Pagina3 = "Pagina3";
inline constexpr std::string_view Frm_Dados1 = "Frm_Dados1";
inline constexpr std::string_view Frm_DOCUMENTO4 = "Frm_DOCUMENTO4";
inline constexpr std::string_view Tab_Operadores = "Tab_Operadores";
inline constexpr std::string_view Frm_DOCUMENTO5 = "Frm_DOCUMENTO5";
inline constexpr std::string_view Ed_VALOMAX = "Ed_VALOMAX";
inline constexpr std::string_view Ed_SENHLIB = "Ed_SENHLIB";
inline constexpr std::string_view Frm_DOCUMENTO9 = "Frm_DOCUMENTO9";
inline constexpr std::string_view CmStatic1 = "CmStatic1";
inline constexpr std::string_view CmStatic2 = "CmStatic2";
inline constexpr std::string_view Ed_PERCREF = "Ed_PERCREF";
inline constexpr std::string_view Ed_PERCBEB = "Ed_PERCBEB";
inline constexpr std::string_view Bt_LEITX = "Bt_LEITX";
inline constexpr std::string_view Bt_REDZ = "Bt_REDZ";
inline constexpr std::string_view Bt_REDZ1 = "Bt_REDZ1";
inline constexpr std::string_view Frm_SENHAM = "Frm_SENHAM";
inline constexpr std::string_view Frm_DOCUMENTO8 = "Frm_DOCUMENTO8";
inline constexpr std::string_view Ed_SENHAM = "Ed_SENHAM";

// A control of the form and the widget class the form makes it of.
struct Control {
    std::string_view name;
    std::string_view widget_class;
};

// Every control of the form, in the form's order.
inline constexpr std::array kAll = {
    Control{Pst_ORELHAS, "QTabWidget"},
    Control{Pagina1, "QWidget"},
    Control{Frm_Logo, "QFrame"},
    Control{Img_FUNDO, "QLabel"},
    Control{CmStatic_SIMULADA1, "QLabel"},
    Control{Pagina2, "QWidget"},
    Control{Frm_Dados, "QFrame"},
    Control{Frm_DOCUMENTO1, "QGroupBox"},
    Control{Ed_VALOREF, "qv::MaskedEdit"},
    Control{Frm_DOCUMENTO2, "QGroupBox"},
    Control{Ed_VALOBEB, "qv::MaskedEdit"},
    Control{Frm_DOCUMENTO3, "QGroupBox"},
    Control{Ed_VALOTOT, "qv::MaskedEdit"},
    Control{Frm_DOCUMENTO13, "QGroupBox"},
    Control{Rbt_Dinheiro, "QRadioButton"},
    Control{Rbt_Cheque, "QRadioButton"},
    Control{Rbt_Cartao, "QRadioButton"},
    Control{Frm_DOCUMENTO, "QGroupBox"},
    Control{Ed_DOCUMEN, "qv::MaskedEdit"},
    Control{Frm_DOCUMENTO12, "QGroupBox"},
    Control{Ed_LIBERAC, "qv::MaskedEdit"},
    Control{Bt_Imprime, "QPushButton"},
    Control{Bt_LEITX1, "QPushButton"},
    Control{Frm_SENHA, "QFrame"},
    Control{Frm_DOCUMENTO11, "QGroupBox"},
    Control{Cb_Operador, "QComboBox"},
    Control{Frm_DOCUMENTO10, "QGroupBox"},
    Control{Ed_SENHA, "qv::MaskedEdit"},
    Control{CmStatic_SIMULADA2, "QLabel"},
    Control{Pagina3, "QWidget"},
    Control{Frm_Dados1, "QFrame"},
    Control{Frm_DOCUMENTO4, "QGroupBox"},
    Control{Tab_Operadores, "QTableWidget"},
    Control{Frm_DOCUMENTO5, "QGroupBox"},
    Control{Ed_VALOMAX, "qv::MaskedEdit"},
    Control{Ed_SENHLIB, "qv::MaskedEdit"},
    Control{Frm_DOCUMENTO9, "QGroupBox"},
    Control{CmStatic1, "QLabel"},
    Control{CmStatic2, "QLabel"},
    Control{Ed_PERCREF, "qv::MaskedEdit"},
    Control{Ed_PERCBEB, "qv::MaskedEdit"},
    Control{Bt_LEITX, "QPushButton"},
    Control{Bt_REDZ, "QPushButton"},
    Control{Bt_REDZ1, "QPushButton"},
    Control{Frm_SENHAM, "QFrame"},
    Control{Frm_DOCUMENTO8, "QGroupBox"},
    Control{Ed_SENHAM, "qv::MaskedEdit"},
};

} // namespace qv::controls
