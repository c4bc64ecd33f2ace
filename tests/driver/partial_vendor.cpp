// A vendor library that lacks most functions, for the binding failures: it
// has the settings call, the X reading and a cancel that the printer refuses,
// but no port search, no coupon functions and no status query.
#include "shared/vendor_functions.h"

#include <cstdint>

extern "C" {
QV_VENDOR_FUNCTIONS(QV_VENDOR_DECLARE)
}

#define PARTIAL_EXPORT extern "C" std::int32_t QV_VENDOR_CALL

PARTIAL_EXPORT regAlterarValor_Daruma(const char*, const char*) {
    return 1;
}
PARTIAL_EXPORT iLeituraX_ECF_Daruma() {
    return 1;
}
PARTIAL_EXPORT iCFCancelar_ECF_Daruma() {
    return -12;
}
