#pragma once
// The meshes a glTF scene draws, each with the world transform its node's hierarchy gives it.

#include "core/mesh/gltfDocument.h"

#include <vector>

// A column-major 4 x 4 matrix in double: element (row r, column c) at 4c + r.
struct GltfMatrix {
    double m[16];
};

// A mesh drawn by a node, with its world transform.
struct GltfInstance {
    int mesh;
    GltfMatrix world;
};

// The node's own transform: its matrix, or translation * rotation * scale (the rotation a unit
// quaternion x, y, z, w, normalized here). False, with the identity, when a number of it is not
// finite.
bool gltfNodeMatrix(const tinygltf::Node& node, GltfMatrix& out);

// out = a * b; out may not be a or b.
void multiplyGltf(const GltfMatrix& a, const GltfMatrix& b, GltfMatrix& out);

// The meshes the model's scene draws, in the order of a depth-first walk of its nodes: the default
// scene, else the first one, else every mesh once, untransformed. Each node's transform is
// composed down the hierarchy; one whose world transform overflows is left out (gltfBadTransforms). A node reached a
// second time (a cycle, a node with two parents) or an index naming no node is skipped
// (gltfBadNodes), a mesh index naming none too (gltfBadReferences): each node is visited at most
// once, without recursion, however deep the hierarchy.
void collectGltfInstances(const tinygltf::Model& model, std::vector<GltfInstance>& out, ProblemList& problems);
