// Calls one vendor function of the simulated printer in a process of its
// own and prints its return value (and, for the status query, the codes):
// lets the tests restart the "program" between printer commands.
//   ecfsim_call iCFAbrir_ECF_Daruma "12345678909" "" ""
#include "ecfsim/vendor_api.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: ecfsim_call FUNCAO [ARGUMENTOS...]\n");
        return 2;
    }
    const std::string f = argv[1];
    auto arg = [&](int i) { return i + 2 < argc ? argv[i + 2] : ""; };
    int32_t r = 0;
    if (f == "regAlterarValor_Daruma")
        r = regAlterarValor_Daruma(arg(0), arg(1));
    else if (f == "iCFAbrir_ECF_Daruma")
        r = iCFAbrir_ECF_Daruma(arg(0), arg(1), arg(2));
    else if (f == "iCFVender_ECF_Daruma")
        r = iCFVender_ECF_Daruma(arg(0), arg(1), arg(2), arg(3), arg(4), arg(5), arg(6), arg(7));
    else if (f == "iCFTotalizarCupom_ECF_Daruma")
        r = iCFTotalizarCupom_ECF_Daruma(arg(0), arg(1));
    else if (f == "iCFEfetuarPagamentoFormatado_ECF_Daruma")
        r = iCFEfetuarPagamentoFormatado_ECF_Daruma(arg(0), arg(1));
    else if (f == "iCFEncerrarConfigMsg_ECF_Daruma")
        r = iCFEncerrarConfigMsg_ECF_Daruma(arg(0));
    else if (f == "iCFCancelar_ECF_Daruma")
        r = iCFCancelar_ECF_Daruma();
    else if (f == "iReducaoZ_ECF_Daruma")
        r = iReducaoZ_ECF_Daruma(arg(0), arg(1));
    else if (f == "eBuscarPortaVelocidade_ECF_Daruma")
        r = eBuscarPortaVelocidade_ECF_Daruma();
    else if (f == "iLeituraX_ECF_Daruma")
        r = iLeituraX_ECF_Daruma();
    else if (f == "rStatusUltimoCmdInt_ECF_Daruma") {
        int32_t error = -1;
        int32_t warning = -1;
        r = rStatusUltimoCmdInt_ECF_Daruma(&error, &warning);
        std::printf("%d %d %d\n", r, error, warning);
        return 0;
    } else {
        std::fprintf(stderr, "ecfsim_call: função desconhecida %s\n", f.c_str());
        return 2;
    }
    std::printf("%d\n", r);
    return 0;
}
