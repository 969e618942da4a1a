#pragma once
// The mesh on the GPU: the mesh store, its two buffer objects, and drawing them.

#include "core/mesh/objMesh.h"

#include <cstdint>
#include <vector>

struct MeshStore {
    std::vector<Vertex> meshVertices;   // each batch's vertices, in order of first use
    std::vector<uint16_t> meshIndices;  // three per triangle, relative to their batch
    std::vector<MeshBatch> meshBatches; // one for a mesh of up to 65,536 vertices
    uint32_t vertexBuffer = 0;          // OpenGL buffer holding meshVertices
    uint32_t indexBuffer = 0;           // OpenGL buffer holding meshIndices
};

// Makes the mesh the store's, taking its contents: generates two buffers, fills the index buffer
// then the vertex buffer (each bound, filled and unbound, with a check after each step), then
// deletes the buffers it replaces. Needs a current context with GLEW initialised.
void replaceMesh(MeshStore& store, ObjMesh& mesh);

// A mesh uploaded into new buffers a piece at a time, over several frames, while the store's
// buffers keep drawing.
struct MeshUpload {
    bool active;
    ObjMesh mesh;
    uint32_t vertexBuffer, indexBuffer;
    size_t indexBytesDone, vertexBytesDone;
};

// Takes the mesh's contents, generates two buffers and gives them their sizes, unfilled.
void startMeshUpload(MeshUpload& upload, ObjMesh& mesh);

// Fills the next `budgetBytes` of the buffers (index buffer first); true once both are full.
bool continueMeshUpload(MeshUpload& upload, size_t budgetBytes);

// Makes the filled upload the store's mesh, and deletes the buffers it replaces.
void finishMeshUpload(MeshStore& store, MeshUpload& upload);

// Deletes an upload's buffers, unfinished.
void abandonMeshUpload(MeshUpload& upload);

// Multiplies the positions of the store's vertices by 2^exponent and fills its vertex buffer
// with them again (bound, filled and unbound, checked). Nothing for 0.
void scaleMeshPositions(MeshStore& store, int exponent);

// The generic vertex attributes that also carry the mesh's positions, normals and texture
// coordinates, for a program that declares them by name; -1 for none.
struct MeshAttributeLocations {
    int position = -1;
    int normal = -1;
    int texCoord = -1;
};

// Binds the element and vertex buffers and turns on the position, texture coordinate (client
// unit 0) and normal (client unit 1) arrays, pointed at the start of the vertex buffer, and the
// generic attributes asked for, each after the three.
void bindMeshArrays(const MeshStore& store, const MeshAttributeLocations& generic = {});

// One indexed draw per batch, the arrays moved to each batch's first vertex; none for an empty
// mesh. Needs bindMeshArrays, with the same generic attributes.
void drawMesh(const MeshStore& store, const MeshAttributeLocations& generic = {});

// Turns the three arrays and the generic ones off and unbinds both buffers, leaving client
// texture unit 0 active.
void unbindMeshArrays(const MeshAttributeLocations& generic = {});
