/* The C test programs' loader on Windows: LoadLibrary. */
#include "tests/support/loader.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

qv_library qv_load(const char* path) {
    return LoadLibraryA(path);
}

void* qv_symbol(qv_library library, const char* name) {
    FARPROC f = GetProcAddress((HMODULE)library, name);
    void* p = NULL;
    memcpy(&p, &f, sizeof p); /* ISO C has no cast between the two */
    return p;
}

void* qv_symbol_or_dependency(qv_library library, const char* dependency, const char* name) {
    void* p = qv_symbol(library, name);
    if (p == NULL) {
        HMODULE loaded = GetModuleHandleA(dependency);
        if (loaded != NULL) p = qv_symbol(loaded, name);
    }
    return p;
}

void qv_close(qv_library library) {
    FreeLibrary((HMODULE)library);
}

const char* qv_load_error(void) {
    static char text[32];
    snprintf(text, sizeof text, "error %lu", (unsigned long)GetLastError());
    return text;
}
