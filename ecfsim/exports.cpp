// The eleven vendor functions. Nothing may escape into the caller: a
// failure inside the simulator is answered as a file error, never thrown.
#include "ecfsim/vendor_api.h"

#include "ecfsim/session.h"

#include <exception>

namespace {

using qv::ecfsim::Outcome;
using qv::ecfsim::Printer;

template <typename F> std::int32_t guarded(F&& f) {
    try {
        return f();
    } catch (const std::exception&) {
        return qv::ecfsim::ret::kFileError;
    } catch (...) {
        return qv::ecfsim::ret::kFileError;
    }
}

std::int32_t command(std::string_view function, const qv::ecfsim::Command& c) {
    return guarded([&] { return qv::ecfsim::run_command(function, c); });
}

} // namespace

extern "C" {

int32_t QV_VENDOR_CALL regAlterarValor_Daruma(const char* key, const char* value) {
    return guarded([&] { return qv::ecfsim::set_value(key, value); });
}

int32_t QV_VENDOR_CALL iCFAbrir_ECF_Daruma(const char* document, const char* name,
                                           const char* address) {
    return command(__func__, [&](Printer& p) { return p.open(document, name, address); });
}

int32_t QV_VENDOR_CALL iCFVender_ECF_Daruma(const char* tax_code, const char* quantity,
                                            const char* unit_price, const char* discount_kind,
                                            const char* discount_value, const char* item_code,
                                            const char* unit, const char* description) {
    return command(__func__, [&](Printer& p) {
        return p.sell(tax_code, quantity, unit_price, discount_kind, discount_value, item_code,
                      unit, description);
    });
}

int32_t QV_VENDOR_CALL iCFTotalizarCupom_ECF_Daruma(const char* kind, const char* value) {
    return command(__func__, [&](Printer& p) { return p.total(kind, value); });
}

int32_t QV_VENDOR_CALL iCFEfetuarPagamentoFormatado_ECF_Daruma(const char* method,
                                                               const char* amount) {
    return command(__func__, [&](Printer& p) { return p.pay(method, amount); });
}

int32_t QV_VENDOR_CALL iCFEncerrarConfigMsg_ECF_Daruma(const char* message) {
    return command(__func__, [&](Printer& p) { return p.close(message); });
}

int32_t QV_VENDOR_CALL iCFCancelar_ECF_Daruma(void) {
    return command(__func__, [](Printer& p) { return p.cancel(); });
}

int32_t QV_VENDOR_CALL iReducaoZ_ECF_Daruma(const char* a, const char* b) {
    return command(__func__, [&](Printer& p) { return p.z_reduction(a, b); });
}

int32_t QV_VENDOR_CALL eBuscarPortaVelocidade_ECF_Daruma(void) {
    // the "port" is the simulator's folder: found when it can be opened
    return command(__func__, [](Printer&) { return Outcome{}; });
}

int32_t QV_VENDOR_CALL iLeituraX_ECF_Daruma(void) {
    return command(__func__, [](Printer& p) { return p.x_reading(); });
}

int32_t QV_VENDOR_CALL rStatusUltimoCmdInt_ECF_Daruma(int32_t* error, int32_t* warning) {
    return guarded([&] { return qv::ecfsim::last_status(error, warning); });
}

} // extern "C"
