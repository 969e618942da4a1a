#pragma once
// The process-wide mesh store and the loader that fills it.

#include "assets/obj/objReader.h"
#include "assets/vertex.h"

#include <cstdint>
#include <vector>

struct MeshStore {
    std::vector<Vertex> meshVertices;   // each batch's vertices, in order of first use
    std::vector<uint16_t> meshIndices;  // three per triangle, relative to their batch
    std::vector<MeshBatch> meshBatches; // one for a mesh of up to 65,536 vertices
    uint32_t vertexBuffer = 0;          // OpenGL buffer holding meshVertices
    uint32_t indexBuffer = 0;           // OpenGL buffer holding meshIndices
};

extern MeshStore meshStore;

// Reads and welds the OBJ file into the mesh store and uploads it into two buffer objects.
// A file that cannot be read is reported and ends the process with status 1. Needs a current
// context with GLEW initialised.
void loadObjMesh(const char* path);

// Makes the mesh the store's, taking its contents: uploads it into two new buffer objects, then
// deletes the buffers it replaces. Needs a current context with GLEW initialised.
void replaceMesh(ObjMesh& mesh);
