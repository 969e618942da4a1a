#pragma once
// The bytes the heap holds for the program, where the allocator tells (AddressSanitizer's or
// glibc's); -1 elsewhere.

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);  // GCC ships no header for it
inline long long heapInUse() { return static_cast<long long>(__sanitizer_get_current_allocated_bytes()); }
#elif defined(__GLIBC__)
#include <malloc.h>
inline long long heapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}
#else
inline long long heapInUse() { return -1; }
#endif
