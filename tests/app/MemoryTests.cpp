#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/Memory.h"

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>

TEST(Memory, BigBlocksComeFromTheHeapOnceAsked) {
    // A few-megabyte block, the size of a big model's undo copy, must no longer get a
    // mapping of its own (fresh pages on every allocation) once the program asked to
    // keep freed memory.
    KeepFreedMemoryForReuse();
    const size_t mappedBefore = mallinfo2().hblks;
    std::vector<char>* block = new std::vector<char>(4 << 20, 1);
    EXPECT_EQ(mallinfo2().hblks, mappedBefore);
    delete block;
}
#endif
