// A vendor library that lacks most functions, for the binding failures: it
// has the settings call, the X reading and a cancel that the printer refuses,
// but no port search, no coupon functions and no status query.
#include <cstdint>

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default"))) std::int32_t

PARTIAL_EXPORT regAlterarValor_Daruma(char*, char*) {
    return 1;
}
PARTIAL_EXPORT iLeituraX_ECF_Daruma() {
    return 1;
}
PARTIAL_EXPORT iCFCancelar_ECF_Daruma() {
    return -12;
}
