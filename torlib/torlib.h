/* TORLIB, the service routines library: calendar, CPF/CNPJ check digits,
 * amounts in words, upper case without accents and a file test.
 *
 *   "01" calendar          "02" CPF or numeric CNPJ   "03"/"04" in words
 *   "05" upper, no accents "06" file exists
 *   "07" CNPJ, numeric or alphanumeric: the 14 characters of L-CNPJ, the
 *        first 12 digits or upper-case letters (each worth its code minus
 *        48, "A" = 17), the last 2 check digits; L-INDICADOR "S" or "N",
 *        nothing else written.
 *
 * A caller binds the link block L-LINK (332 bytes, shared by name within the
 * process), fills L-FUNCAO and the inputs of that function, calls TORLIB()
 * and reads the outputs back from the same block. Every field is single-byte
 * Windows-1252; numbers are unsigned ASCII digits with leading zeros.
 *
 *   char* link = bind_shared_record(TORLIB_LINK_NAME, TORLIB_LINK_SIZE);
 *   memcpy(link + TORLIB_L_FUNCAO, "02", 2);
 *   link[TORLIB_L_INDICADOR] = 'F';
 *   memcpy(link + TORLIB_L_CPF, "12345678909", TORLIB_L_CPF_LEN);
 *   TORLIB();
 *   valid = link[TORLIB_L_INDICADOR] == 'S';
 *
 * Link with -ltorlib -lquiterval-shared. Plain C; usable from C++ too. */
#ifndef QUITERVAL_TORLIB_H
#define QUITERVAL_TORLIB_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Runs the routine that L-FUNCAO selects ("01" to "07") on L-LINK. Any other
 * code leaves the whole block as it was. Calls must not overlap. */
void TORLIB(void);

/* The storage of the process-wide record `name`, `size` bytes long; created
 * filled with spaces on the first bind, the same storage on every later bind.
 * NULL for another size than the first, a NULL or empty name, or size 0. */
char* bind_shared_record(const char* name, size_t size);

#define TORLIB_LINK_NAME "L-LINK"
#define TORLIB_LINK_SIZE 332

/* Offsets (from 0) and widths of the link block fields. */
#define TORLIB_L_FUNCAO 0 /* function code "01".."07" */
#define TORLIB_L_FUNCAO_LEN 2
#define TORLIB_L_DIA1 2 /* date 1: DD MM YYYY */
#define TORLIB_L_DIA1_LEN 2
#define TORLIB_L_MES1 4
#define TORLIB_L_MES1_LEN 2
#define TORLIB_L_ANO1 6
#define TORLIB_L_ANO1_LEN 4
#define TORLIB_L_DIA2 10 /* date 2: DD MM YYYY, all zeros asks for date 1 + L-DIAS */
#define TORLIB_L_DIA2_LEN 2
#define TORLIB_L_MES2 12
#define TORLIB_L_MES2_LEN 2
#define TORLIB_L_ANO2 14
#define TORLIB_L_ANO2_LEN 4
#define TORLIB_L_DIA_SEMANA 18 /* 1 Sunday .. 7 Saturday */
#define TORLIB_L_DIA_SEMANA_LEN 1
#define TORLIB_L_DIAS 25 /* six digits */
#define TORLIB_L_DIAS_LEN 6
#define TORLIB_L_CNPJ 31
#define TORLIB_L_CNPJ_LEN 14
#define TORLIB_L_CPF 45
#define TORLIB_L_CPF_LEN 11
#define TORLIB_L_TEXTO 56 /* text area, also two halves for the calendar */
#define TORLIB_L_TEXTO_LEN 210
#define TORLIB_L_TEXTO1 56
#define TORLIB_L_TEXTO1_LEN 105
#define TORLIB_L_TEXTO2 161
#define TORLIB_L_TEXTO2_LEN 105
#define TORLIB_L_DATA_EXTENSO 266
#define TORLIB_L_DATA_EXTENSO_LEN 25
#define TORLIB_L_NOME_MES 291
#define TORLIB_L_NOME_MES_LEN 9
#define TORLIB_L_VALOR 300 /* 9 integer digits and 2 decimals */
#define TORLIB_L_VALOR_LEN 11
#define TORLIB_L_INDICADOR 311 /* "S"/"N"; "F" selects the CPF for "02", "07" ignores it */
#define TORLIB_L_INDICADOR_LEN 1
#define TORLIB_L_RESERVED 312 /* never touched by the library */
#define TORLIB_L_RESERVED_LEN 20

#ifdef __cplusplus
}
#endif

#endif
