#pragma once
// The bytes the heap holds for the program, where the allocator tells: AddressSanitizer's, or
// glibc's. -1 elsewhere.

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define SPINVIEW_HEAP_OF_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPINVIEW_HEAP_OF_ASAN 1
#endif
#endif

#if defined(SPINVIEW_HEAP_OF_ASAN)
// in the sanitizer's runtime; GCC ships no header for it
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

inline long long heapInUse()
{
#if defined(SPINVIEW_HEAP_OF_ASAN)
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#elif defined(__GLIBC__)
    struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}
