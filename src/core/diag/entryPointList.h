#pragma once
// Naming the OpenGL entry points a context lacks.

#include <cstddef>

struct EntryPoint {
    const char* name;
    const void* address;  // nullptr when the context does not offer it
};

// Writes the names of the missing entry points, comma-separated, into `out` (always
// zero-terminated, cut to fit) and returns how many are missing.
size_t listMissingEntryPoints(const EntryPoint* points, size_t count, char* out, size_t outSize);
