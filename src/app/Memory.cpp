#include "app/Memory.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    // Blocks up to this size come from the heap, not from a mapping of their own
    // that is returned on free. 32 MiB is the most a 64-bit C library accepts; a
    // refused value would leave the default of 128 KiB with its automatic raising
    // switched off by the next call, which is worse than not asking at all.
    if (mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0) return;
    // The heap's top is not trimmed below this much.
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}
