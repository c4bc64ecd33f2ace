/* How this system calls and exports the C functions of a shared library;
 * C and C++ both include it.
 *
 * QV_SYSTEM_CALL: the calling convention of the system's own libraries: on
 * 32-bit Windows the standard call (WINAPI), as printer makers' libraries
 * there use; elsewhere the platform's C one (64-bit Windows has only one).
 * QV_LIBRARY_EXPORT: puts a function in the library's exports (on Windows
 * the declarations export them, and nothing else is exported). */
#ifndef QUITERVAL_SHARED_PLATFORM_C_LIBRARY_H
#define QUITERVAL_SHARED_PLATFORM_C_LIBRARY_H

#if defined(_WIN32) && defined(__i386__)
#define QV_SYSTEM_CALL __stdcall
#else
#define QV_SYSTEM_CALL
#endif

#ifdef _WIN32
#define QV_LIBRARY_EXPORT __declspec(dllexport)
#else
#define QV_LIBRARY_EXPORT __attribute__((visibility("default")))
#endif

#endif
