#pragma once
// Checking that the OpenGL entry points the viewer reaches through GLEW are there.

#include <cstddef>

struct EntryPoint {
    const char* name;
    const void* address;  // nullptr when the context does not offer it
};

// Writes the names of the missing entry points, comma-separated, into `out` (always
// zero-terminated, cut to fit) and returns how many are missing.
size_t listMissingEntryPoints(const EntryPoint* points, size_t count, char* out, size_t outSize);

// Needs glewInit to have run. Logs the missing entry points and ends the process with status 1
// when the context lacks any that the viewer calls (older than OpenGL 2.0, or without
// GL_ARB_shader_objects).
void requireEntryPoints();
