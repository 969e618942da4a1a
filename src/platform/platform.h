#pragma once
// The few operating-system services the viewer needs.

#include <cstdint>

// Sends text to the debugger's output channel; does nothing where the platform has none.
void debugOutput(const char* text);

// Milliseconds since system start (or another fixed point where that is not available),
// from a monotonic clock, wrapped to unsigned 32 bits.
uint32_t tickCountMs();
