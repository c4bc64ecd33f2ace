/* The fiscal printer vendor's functions, as the simulated printer library
 * exports them (C linkage, every one returns a signed 32-bit integer: 1 on
 * success). Texts are NUL-terminated Windows-1252. */
#ifndef QUITERVAL_ECFSIM_VENDOR_API_H
#define QUITERVAL_ECFSIM_VENDOR_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(QUITERVAL_ECFSIM_BUILDING)
#define ECFSIM_API __attribute__((visibility("default")))
#else
#define ECFSIM_API
#endif

ECFSIM_API int32_t regAlterarValor_Daruma(const char* key, const char* value);
ECFSIM_API int32_t iCFAbrir_ECF_Daruma(const char* document, const char* name, const char* address);
ECFSIM_API int32_t iCFVender_ECF_Daruma(const char* tax_code, const char* quantity,
                                        const char* unit_price, const char* discount_kind,
                                        const char* discount_value, const char* item_code,
                                        const char* unit, const char* description);
ECFSIM_API int32_t iCFTotalizarCupom_ECF_Daruma(const char* kind, const char* value);
ECFSIM_API int32_t iCFEfetuarPagamentoFormatado_ECF_Daruma(const char* method, const char* amount);
ECFSIM_API int32_t iCFEncerrarConfigMsg_ECF_Daruma(const char* message);
ECFSIM_API int32_t iCFCancelar_ECF_Daruma(void);
ECFSIM_API int32_t iReducaoZ_ECF_Daruma(const char* a, const char* b);
ECFSIM_API int32_t eBuscarPortaVelocidade_ECF_Daruma(void);
ECFSIM_API int32_t iLeituraX_ECF_Daruma(void);
ECFSIM_API int32_t rStatusUltimoCmdInt_ECF_Daruma(int32_t* error, int32_t* warning);

#ifdef __cplusplus
}
#endif

#endif
