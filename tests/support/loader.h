/* Loading a shared library at run time from a C test program, as a foreign
 * caller would: dlopen on Linux, LoadLibrary on Windows. */
#ifndef QV_TESTS_SUPPORT_LOADER_H
#define QV_TESTS_SUPPORT_LOADER_H

#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>

typedef HMODULE qv_library;

static inline qv_library qv_load(const char* path) {
    return LoadLibraryA(path);
}
static inline void* qv_symbol(qv_library library, const char* name) {
    FARPROC f = GetProcAddress(library, name);
    void* p = NULL;
    memcpy(&p, &f, sizeof p); /* ISO C has no cast between the two */
    return p;
}
static inline void qv_close(qv_library library) {
    FreeLibrary(library);
}
/* The system's reason for the last failure. */
static inline const char* qv_load_error(void) {
    static char text[32];
    snprintf(text, sizeof text, "error %lu", (unsigned long)GetLastError());
    return text;
}

#else
#include <dlfcn.h>

typedef void* qv_library;

static inline qv_library qv_load(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
static inline void* qv_symbol(qv_library library, const char* name) {
    return dlsym(library, name);
}
static inline void qv_close(qv_library library) {
    dlclose(library);
}
static inline const char* qv_load_error(void) {
    return dlerror();
}

#endif

#endif
