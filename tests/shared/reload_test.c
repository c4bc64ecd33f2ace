/* A C program that loads the shared records' library (libquiterval-shared.so,
 * quiterval-shared.dll) at run time, binds a record,
 * closes the library and loads it again: the record is still there, the same
 * storage with the same bytes. Exit status 0 when that holds. */
#include "shared/shared_record.h"
#include "tests/support/loader.h"

#include <stdio.h>
#include <string.h>

typedef char* (*bind_fn)(const char*, size_t);

static char* bind_after_load(const char* library, qv_library* handle) {
    *handle = qv_load(library);
    if (*handle == NULL) {
        fprintf(stderr, "dlopen: %s\n", qv_load_error());
        return NULL;
    }
    bind_fn bind = NULL;
    void* sym = qv_symbol(*handle, "bind_shared_record");
    if (sym != NULL) memcpy(&bind, &sym, sizeof sym); /* ISO C has no cast for this */
    return bind != NULL ? bind("RELOAD-TEST", 4) : NULL;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s LIBRARY\n", argv[0]);
        return 2;
    }
    qv_library handle = NULL;
    char* first = bind_after_load(argv[1], &handle);
    if (first == NULL) return 1;
    memcpy(first, "KEPT", 4);
    qv_close(handle);
    char* again = bind_after_load(argv[1], &handle);
    if (again != first || memcmp(again, "KEPT", 4) != 0) {
        fprintf(stderr, "the record did not outlive the library's closing\n");
        return 1;
    }
    return 0;
}
