// The eleven functions of the printer vendor's library, by exported name.
#pragma once

#include <array>
#include <string_view>

namespace qv {

inline constexpr std::array<std::string_view, 11> kVendorFunctions = {
    "regAlterarValor_Daruma",
    "iCFAbrir_ECF_Daruma",
    "iCFVender_ECF_Daruma",
    "iCFTotalizarCupom_ECF_Daruma",
    "iCFEfetuarPagamentoFormatado_ECF_Daruma",
    "iCFEncerrarConfigMsg_ECF_Daruma",
    "iCFCancelar_ECF_Daruma",
    "iReducaoZ_ECF_Daruma",
    "eBuscarPortaVelocidade_ECF_Daruma",
    "iLeituraX_ECF_Daruma",
    "rStatusUltimoCmdInt_ECF_Daruma",
};

} // namespace qv
