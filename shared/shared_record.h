/* Process-wide shared records, reached by name from every module. */
#ifndef QUITERVAL_SHARED_RECORD_H
#define QUITERVAL_SHARED_RECORD_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Returns the storage of the record called `name`, `size` bytes long.
 * The first bind creates it filled with spaces; every later bind of the same
 * name returns the same storage. A bind with another size than the first, a
 * NULL or empty name, or a zero size returns NULL, and so does a record that
 * cannot be made (no memory for it). The storage lives until the process
 * ends. */
char* bind_shared_record(const char* name, size_t size);

#ifdef __cplusplus
}
#endif

#endif
