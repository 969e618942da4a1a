// The comparison for load_obj: reads one OBJ file with tinyobjloader (polygons triangulated) and
// deduplicates its corners exactly with meshoptimizer:  tinyobj_load FILE

#include "tinyobjWeld.h"

#include <cstdio>

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
    std::vector<Vertex> vertices;
    size_t triangles = weldTinyobjCorners(reader, vertices);
    printf("%zu vertices, %zu triangles\n", vertices.size(), triangles);
    return 0;
}
