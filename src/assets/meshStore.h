#pragma once
// The process-wide mesh store and the loader that fills it.

#include "assets/vertex.h"

#include <cstdint>
#include <vector>

struct MeshStore {
    std::vector<Vertex> meshVertices;   // unique vertices, in order of first appearance
    std::vector<uint16_t> meshIndices;  // three per triangle
    uint32_t vertexBuffer = 0;          // OpenGL buffer holding meshVertices
    uint32_t indexBuffer = 0;           // OpenGL buffer holding meshIndices
};

extern MeshStore meshStore;

// Reads and welds the OBJ file into the mesh store and uploads it into two buffer objects.
// A file that cannot be read is reported and ends the process with status 1. Needs a current
// context with GLEW initialised.
void loadObjMesh(const char* path);
