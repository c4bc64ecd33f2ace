/* The C test programs' loader on POSIX systems: dlopen. */
#include "tests/support/loader.h"

#include <dlfcn.h>

qv_library qv_load(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* qv_symbol(qv_library library, const char* name) {
    return dlsym(library, name);
}

void* qv_symbol_or_dependency(qv_library library, const char* dependency, const char* name) {
    (void)dependency; /* dlsym searches the dependencies itself */
    return dlsym(library, name);
}

void qv_close(qv_library library) {
    dlclose(library);
}

const char* qv_load_error(void) {
    return dlerror();
}
