/* A program of someone else's, built against the installed header and
 * linked with the installed libtorlib.so: checks one valid and one invalid
 * CPF through the link block. Exits 0 when both answers are right. */
#include "shared/shared_record.h"
#include "torlib/torlib.h"

#include <stdio.h>
#include <string.h>

static char check_cpf(char* link, const char* cpf) {
    memcpy(link + TORLIB_L_FUNCAO, "02", TORLIB_L_FUNCAO_LEN);
    link[TORLIB_L_INDICADOR] = 'F';
    memcpy(link + TORLIB_L_CPF, cpf, TORLIB_L_CPF_LEN);
    TORLIB();
    return link[TORLIB_L_INDICADOR];
}

int main(void) {
    char* link = bind_shared_record(TORLIB_LINK_NAME, TORLIB_LINK_SIZE);
    if (link == NULL) {
        fputs("torlib_client: no link block\n", stderr);
        return 1;
    }
    const char good = check_cpf(link, "12345678909");
    const char bad = check_cpf(link, "12345678900");
    printf("12345678909 %c\n12345678900 %c\n", good, bad);
    return good == 'S' && bad == 'N' ? 0 : 1;
}
