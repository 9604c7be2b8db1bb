/* Preloaded into the program to make an allocation of exactly 8192 bytes
 * fail: the Nth such request, N taken from CODVET_FAIL_ALLOC_NTH (1 is the
 * first). Every other request goes to the real allocator. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stddef.h>
#include <stdlib.h>

static int seen;

void* malloc(size_t size) {
  static void* (*real)(size_t);
  if (real == NULL) real = (void* (*)(size_t))dlsym(RTLD_NEXT, "malloc");
  if (size == 8192) {
    const char* nth = getenv("CODVET_FAIL_ALLOC_NTH");
    if (nth != NULL && ++seen == atoi(nth)) return NULL;
  }
  return real(size);
}
