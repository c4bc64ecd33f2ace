/* The eleven functions of the printer vendor's library, each declared here
 * once: its exported name and its C signature. Every one has C linkage and
 * returns a signed 32-bit integer, 1 on success; texts are NUL-terminated
 * Windows-1252. The driver's typed calls, the simulated printer's exports
 * (and the linker script that keeps them its only ones, which the build
 * writes from this table: cmake/VendorExports.cmake), the test libraries'
 * exports and the list of names all come from this table, so a call or a
 * definition that does not match it does not build. */
#ifndef QUITERVAL_SHARED_VENDOR_FUNCTIONS_H
#define QUITERVAL_SHARED_VENDOR_FUNCTIONS_H

#include "shared/platform/c_library.h"

#include <stdint.h>

/* The vendor libraries' calling convention: the system's own (the standard
 * call on 32-bit Windows). */
#ifndef QV_VENDOR_CALL
#define QV_VENDOR_CALL QV_SYSTEM_CALL
#endif

/* X(name, parameter list) for each function, in the library's order. */
#define QV_VENDOR_FUNCTIONS(X)                                                                     \
    X(regAlterarValor_Daruma, (const char* key, const char* value))                                \
    X(iCFAbrir_ECF_Daruma, (const char* document, const char* name, const char* address))          \
    X(iCFVender_ECF_Daruma, (const char* tax_code, const char* quantity, const char* unit_price,   \
                             const char* discount_kind, const char* discount_value,                \
                             const char* item_code, const char* unit, const char* description))    \
    X(iCFTotalizarCupom_ECF_Daruma, (const char* kind, const char* value))                         \
    X(iCFEfetuarPagamentoFormatado_ECF_Daruma, (const char* method, const char* amount))           \
    X(iCFEncerrarConfigMsg_ECF_Daruma, (const char* message))                                      \
    X(iCFCancelar_ECF_Daruma, (void))                                                              \
    X(iReducaoZ_ECF_Daruma, (const char* a, const char* b))                                        \
    X(eBuscarPortaVelocidade_ECF_Daruma, (void))                                                   \
    X(iLeituraX_ECF_Daruma, (void))                                                                \
    X(rStatusUltimoCmdInt_ECF_Daruma, (int32_t * error, int32_t * warning))

/* A library that defines the functions builds with QV_VENDOR_EXPORTING, so
 * that its declarations export them (and, on Windows, nothing else). */
#ifdef QV_VENDOR_EXPORTING
#define QV_VENDOR_API QV_LIBRARY_EXPORT
#else
#define QV_VENDOR_API
#endif

/* One declaration; QV_VENDOR_FUNCTIONS(QV_VENDOR_DECLARE) inside extern "C"
 * declares them all. */
#define QV_VENDOR_DECLARE(name, params) QV_VENDOR_API int32_t QV_VENDOR_CALL name params;

#ifdef __cplusplus

#include <array>
#include <string_view>
#include <type_traits>

namespace qv {

namespace vendor {

// One type per function: its exported name and the type of its address.
// NOLINTBEGIN(bugprone-macro-parentheses): `params` is a parameter list
#define QV_VENDOR_FUNCTION_TYPE(fn, params)                                                        \
    struct fn {                                                                                    \
        static constexpr const char* kName = #fn;                                                  \
        using Pointer = int32_t(QV_VENDOR_CALL*) params;                                           \
    };
// NOLINTEND(bugprone-macro-parentheses)
QV_VENDOR_FUNCTIONS(QV_VENDOR_FUNCTION_TYPE)
#undef QV_VENDOR_FUNCTION_TYPE

// Calls the function F found at `address`; arguments that its signature does
// not take do not compile.
template <typename F, typename... Args>
requires std::is_invocable_r_v<int32_t, typename F::Pointer, Args...> int32_t call(void* address,
                                                                                   Args... args) {
    return reinterpret_cast<typename F::Pointer>(address)(args...);
}

} // namespace vendor

// The exported names, in the table's order.
#define QV_VENDOR_FUNCTION_NAME(fn, params) std::string_view(#fn),
inline constexpr std::array kVendorFunctions = {QV_VENDOR_FUNCTIONS(QV_VENDOR_FUNCTION_NAME)};
#undef QV_VENDOR_FUNCTION_NAME
static_assert(kVendorFunctions.size() == 11);

} // namespace qv

#endif

#endif
