#pragma once
// The mesh on the GPU: the mesh store, its buffer objects (vertices, indices, and colors for a
// mesh that has them), and drawing them.

#include "core/mesh/mesh.h"

#include <cstdint>
#include <vector>

struct MeshStore {
    std::vector<Vertex> meshVertices;   // each batch's vertices, in order of first use
    std::vector<uint16_t> meshIndices;  // three per triangle, relative to their batch
    std::vector<MeshBatch> meshBatches; // one for a mesh of up to 65,536 vertices
    uint32_t vertexBuffer = 0;          // OpenGL buffer holding meshVertices
    uint32_t indexBuffer = 0;           // OpenGL buffer holding meshIndices
    std::vector<Vector3> meshColors;    // per vertex, for a model with vertex colours; else empty
    uint32_t colorBuffer = 0;           // OpenGL buffer holding meshColors, when there are any
    std::vector<MeshRange> meshRanges;  // the batches' triangles by material, for a model with materials
    MeshPrimitive meshPrimitive = MeshPrimitive::triangles;  // what the indices draw
};

// Makes the mesh the store's, taking its contents: generates two buffers, fills the index buffer
// then the vertex buffer (each bound, filled and unbound, with a check after each step), and a
// third for the colours of a mesh that has them, then deletes the buffers it replaces. Needs a
// current context with GLEW initialised.
void replaceMesh(MeshStore& store, Mesh& mesh);

// A mesh uploaded into new buffers a piece at a time, over several frames, while the store's
// buffers keep drawing.
struct MeshUpload {
    bool active;
    Mesh mesh;
    uint32_t vertexBuffer, indexBuffer, colorBuffer;
    size_t indexBytesDone, vertexBytesDone, colorBytesDone;
};

// Takes the mesh's contents, generates its buffers and gives them their sizes, unfilled.
void startMeshUpload(MeshUpload& upload, Mesh& mesh);

// Fills the next `budgetBytes` of the buffers (index buffer first); true once all are full.
bool continueMeshUpload(MeshUpload& upload, size_t budgetBytes);

// Makes the filled upload the store's mesh, and deletes the buffers it replaces.
void finishMeshUpload(MeshStore& store, MeshUpload& upload);

// Deletes an upload's buffers, unfinished.
void abandonMeshUpload(MeshUpload& upload);

// A store that draws the first `part` of every `parts` of each batch's triangles (or points)
// from the upload's buffers, filled, with its primitive and without its ranges: for drawing the
// new mesh before it is the store's. Its vertex and index arrays stay empty. Needs 0 < part <= parts.
void uploadPartStore(const MeshUpload& upload, uint32_t part, uint32_t parts, MeshStore& out);

// Multiplies the positions of the store's vertices by 2^exponent and fills its vertex buffer
// with them again (bound, filled and unbound, checked). Nothing for 0.
void scaleMeshPositions(MeshStore& store, int exponent);

// The generic vertex attributes that also carry the mesh's positions, normals and texture
// coordinates, for a program that declares them by name; -1 for none.
struct MeshAttributeLocations {
    int position = -1;
    int normal = -1;
    int texCoord = -1;
    int color = -1;  // white where the mesh has no colours
};

// Binds the element and vertex buffers and turns on the position, texture coordinate (client
// unit 0) and normal (client unit 1) arrays, pointed at the start of the vertex buffer, and the
// generic attributes asked for, each after the three; for a mesh with colours, the colour array
// too, from its own buffer.
void bindMeshArrays(const MeshStore& store, const MeshAttributeLocations& generic = {});

// What to do before drawing a range of triangles of one material.
struct MaterialSwitch {
    void (*use)(void* context, uint32_t material);
    void* context;
};

// One indexed draw per batch, of triangles or points as the mesh's indices draw, the arrays moved
// to each batch's first vertex; none for an empty mesh. For a mesh with materials, one draw per range of a batch instead, each after `materials`
// switches to its material. Needs bindMeshArrays, with the same generic attributes.
void drawMesh(const MeshStore& store, const MeshAttributeLocations& generic = {},
              const MaterialSwitch* materials = nullptr);

// Turns the arrays off (the colour array too, for `colored`) and unbinds both buffers, leaving
// client texture unit 0 active.
void unbindMeshArrays(const MeshAttributeLocations& generic = {}, bool colored = false);
