/* The fiscal printer vendor's functions, as the simulated printer library
 * exports them (their one table is shared/vendor_functions.h). */
#ifndef QUITERVAL_ECFSIM_VENDOR_API_H
#define QUITERVAL_ECFSIM_VENDOR_API_H

#include "shared/vendor_functions.h"

#ifdef __cplusplus
extern "C" {
#endif

QV_VENDOR_FUNCTIONS(QV_VENDOR_DECLARE)

#ifdef __cplusplus
}
#endif

#endif
