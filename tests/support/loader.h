/* Loading a shared library at run time from a C test program, as a foreign
 * caller would: dlopen on Linux (loader_posix.c), LoadLibrary on Windows
 * (loader_windows.c). */
#ifndef QV_TESTS_SUPPORT_LOADER_H
#define QV_TESTS_SUPPORT_LOADER_H

/* A loaded library; NULL when it could not be loaded. */
typedef void* qv_library;

qv_library qv_load(const char* path);
void* qv_symbol(qv_library library, const char* name);
/* `name` as a caller that loaded `library` finds it: dlsym looks through the
 * library's dependencies as well; a DLL exports only its own names, so on
 * Windows the already loaded dependency named `dependency` (a file name such
 * as "quiterval-shared.dll") is asked next. */
void* qv_symbol_or_dependency(qv_library library, const char* dependency, const char* name);
void qv_close(qv_library library);
/* The system's reason for the last failure. */
const char* qv_load_error(void);

#endif
