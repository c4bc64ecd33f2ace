/* A plain C program that loads the TORLIB library (libtorlib.so, torlib.dll)
 * at run time, as a foreign caller would, and makes one call of each
 * function through the link block. Only
 * torlib/torlib.h is used for the layout. Exit status 0 when every check
 * holds. */
#include "tests/support/loader.h"
#include "torlib/torlib.h"

#include <stdio.h>
#include <string.h>

typedef void (*entry_fn)(void);
typedef char* (*bind_fn)(const char*, size_t);

static int failures = 0;

static void put(char* link, int offset, int width, const char* text) {
    size_t n = strlen(text);
    memset(link + offset, ' ', (size_t)width);
    memcpy(link + offset, text, n < (size_t)width ? n : (size_t)width);
}

static void expect(const char* what, const char* link, int offset, const char* want) {
    size_t n = strlen(want);
    if (memcmp(link + offset, want, n) != 0) {
        fprintf(stderr, "%s: got [%.*s], want [%s]\n", what, (int)n, link + offset, want);
        ++failures;
    }
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "libtorlib.so";
    qv_library lib = qv_load(path);
    if (lib == NULL) {
        fprintf(stderr, "dlopen %s: %s\n", path, qv_load_error());
        return 1;
    }
    entry_fn torlib = NULL;
    bind_fn bind = NULL;
    /* Object pointers to function pointers through memcpy, as ISO C allows. */
    void* sym = qv_symbol(lib, "TORLIB");
    if (sym != NULL) memcpy(&torlib, &sym, sizeof sym);
    /* The binder is the shared records' library's, which loading TORLIB
     * brought in. */
    sym = qv_symbol_or_dependency(lib, QV_SHARED_RECORDS_FILE, "bind_shared_record");
    if (sym != NULL) memcpy(&bind, &sym, sizeof sym);
    if (torlib == NULL || bind == NULL) {
        fprintf(stderr, "TORLIB or bind_shared_record not found: %s\n", qv_load_error());
        return 1;
    }
    char* link = bind(TORLIB_LINK_NAME, TORLIB_LINK_SIZE);
    if (link == NULL) {
        fprintf(stderr, "L-LINK not bound\n");
        return 1;
    }
    memset(link + TORLIB_L_RESERVED, '~', TORLIB_L_RESERVED_LEN);

    /* 01: calendar, counting days. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "01");
    put(link, TORLIB_L_DIA1, 8, "01032024");
    put(link, TORLIB_L_DIA2, 8, "01032025");
    torlib();
    expect("01 indicator", link, TORLIB_L_INDICADOR, "S");
    expect("01 days", link, TORLIB_L_DIAS, "000365");
    expect("01 weekday", link, TORLIB_L_DIA_SEMANA, "6");
    expect("01 short name", link, TORLIB_L_TEXTO1, "Sexta ");
    expect("01 month", link, TORLIB_L_NOME_MES, "mar\xE7o    ");
    expect("01 written", link, TORLIB_L_DATA_EXTENSO, "01 de mar\xE7o de 2024 ");

    /* 02: CPF. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "02");
    put(link, TORLIB_L_INDICADOR, TORLIB_L_INDICADOR_LEN, "F");
    put(link, TORLIB_L_CPF, TORLIB_L_CPF_LEN, "12345678909");
    torlib();
    expect("02 CPF", link, TORLIB_L_INDICADOR, "S");

    /* 07: a CNPJ with letters. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "07");
    put(link, TORLIB_L_CNPJ, TORLIB_L_CNPJ_LEN, "12ABC34501DE35");
    torlib();
    expect("07 CNPJ", link, TORLIB_L_INDICADOR, "S");

    /* 03: amount in words. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "03");
    put(link, TORLIB_L_VALOR, TORLIB_L_VALOR_LEN, "00000012345");
    torlib();
    expect("03 words", link, TORLIB_L_TEXTO,
           " Cento e Vinte e Tres Reais, Quarenta e Cinco Centavos.***");

    /* 04: number in words. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "04");
    torlib();
    expect("04 words", link, TORLIB_L_TEXTO, " Cento e Vinte e Tres***");

    /* 05: upper case without accents. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "05");
    put(link, TORLIB_L_TEXTO, TORLIB_L_TEXTO_LEN, "S\xE3o Paulo");
    torlib();
    expect("05 text", link, TORLIB_L_TEXTO, "SAO PAULO ");
    expect("05 amount kept", link, TORLIB_L_VALOR, "00000012345");

    /* 06: file existence, of the library itself and of a missing file. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "06");
    put(link, TORLIB_L_TEXTO, TORLIB_L_TEXTO_LEN, path);
    torlib();
    expect("06 existing", link, TORLIB_L_INDICADOR, "S");
    put(link, TORLIB_L_TEXTO, TORLIB_L_TEXTO_LEN, "/nao/existe/arquivo.txt");
    torlib();
    expect("06 missing", link, TORLIB_L_INDICADOR, "N");

    /* An unknown code changes nothing. */
    put(link, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN, "08");
    char before[TORLIB_LINK_SIZE];
    memcpy(before, link, sizeof before);
    torlib();
    if (memcmp(before, link, sizeof before) != 0) {
        fprintf(stderr, "08 changed the block\n");
        ++failures;
    }
    expect("reserved bytes", link, TORLIB_L_RESERVED, "~~~~~~~~~~~~~~~~~~~~");

    qv_close(lib);
    if (failures == 0) printf("libtorlib.so through dlopen: every check holds\n");
    return failures == 0 ? 0 : 1;
}
