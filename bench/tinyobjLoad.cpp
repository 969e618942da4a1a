// The comparison for load_obj: reads one OBJ file with tinyobjloader (polygons triangulated), makes
// its corners 32-byte vertices (0 where the file has no texture coordinate or normal) and
// deduplicates them exactly with meshoptimizer:  tinyobj_load FILE

#include "assets/vertex.h"

#include <meshoptimizer.h>
#include <tiny_obj_loader.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: tinyobj_load FILE\n");
        return 2;
    }
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    if (!reader.ParseFromFile(argv[1], config)) {
        fprintf(stderr, "Cannot read [%s]\n", argv[1]);
        return 1;
    }
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
    std::vector<Vertex> vertices(unique);
    meshopt_remapVertexBuffer(vertices.data(), corners.data(), corners.size(), sizeof(Vertex), remap.data());
    printf("%zu vertices, %zu triangles\n", unique, remap.size() / 3);
    return 0;
}
