#pragma once
// Bit-exact float helpers for the rounding tests.

#include <cstdint>
#include <cstring>

inline uint32_t bitsOf(float f)
{
    uint32_t u;
    memcpy(&u, &f, sizeof(u));
    return u;
}

// Stores f through a volatile, so that a float-only computation really rounds each step.
inline float storedFloat(float f)
{
    volatile float v = f;
    return v;
}
