#include "platform/platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

void debugOutput(const char* text)
{
    OutputDebugStringA(text);
}

uint32_t tickCountMs()
{
    return GetTickCount();
}

#else
#include <time.h>

void debugOutput(const char*)
{
}

uint32_t tickCountMs()
{
    timespec now = {};
#ifdef CLOCK_BOOTTIME
    // counts from boot and keeps counting through suspend, like GetTickCount
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
#endif
        clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return uint32_t(ms);  // wraps every 2^32 ms, about 49.7 days
}
#endif
