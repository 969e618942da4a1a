#pragma once
// The comparison the benchmarks measure the reader against: tinyobjloader's corners as 32-byte
// vertices (0 where the file has no texture coordinate or normal), deduplicated exactly by
// meshoptimizer.

#include "core/mesh/vertex.h"

#include <meshoptimizer.h>
#include <tiny_obj_loader.h>

#include <vector>

// Fills `vertices` with the unique vertices of the parsed file; returns its triangle count.
inline size_t weldTinyobjCorners(const tinyobj::ObjReader& reader, std::vector<Vertex>& vertices)
{
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    std::vector<Vertex> corners;
    for (const tinyobj::shape_t& shape : reader.GetShapes())
        for (const tinyobj::index_t& index : shape.mesh.indices) {
            Vertex v = {};
            v.position = {attrib.vertices[3 * index.vertex_index], attrib.vertices[3 * index.vertex_index + 1],
                          attrib.vertices[3 * index.vertex_index + 2]};
            if (index.texcoord_index >= 0)
                v.texCoord = {attrib.texcoords[2 * index.texcoord_index], attrib.texcoords[2 * index.texcoord_index + 1]};
            if (index.normal_index >= 0)
                v.normal = {attrib.normals[3 * index.normal_index], attrib.normals[3 * index.normal_index + 1],
                            attrib.normals[3 * index.normal_index + 2]};
            corners.push_back(v);
        }
    std::vector<unsigned int> remap(corners.size());
    size_t unique = meshopt_generateVertexRemap(remap.data(), nullptr, corners.size(), corners.data(), corners.size(),
                                                sizeof(Vertex));
    vertices.resize(unique);
    meshopt_remapVertexBuffer(vertices.data(), corners.data(), corners.size(), sizeof(Vertex), remap.data());
    return remap.size() / 3;
}
