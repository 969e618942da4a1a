// The comparison for load_obj: reads one OBJ file with tinyobjloader (polygons triangulated) and
// deduplicates its corners exactly with meshoptimizer:  tinyobj_load [--parse-only] FILE
// (--parse-only stops after the parse: a reader that does not weld)

#include "tinyobjWeld.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    bool parseOnly = argc == 3 && strcmp(argv[1], "--parse-only") == 0;
    if (argc != 2 && !parseOnly) {
        fprintf(stderr, "usage: tinyobj_load [--parse-only] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    if (!reader.ParseFromFile(path, config)) {
        fprintf(stderr, "Cannot read [%s]\n", path);
        return 1;
    }
    if (parseOnly) {
        printf("%zu positions\n", reader.GetAttrib().vertices.size() / 3);
        return 0;
    }
    std::vector<Vertex> vertices;
    size_t triangles = weldTinyobjCorners(reader, vertices);
    printf("%zu vertices, %zu triangles\n", vertices.size(), triangles);
    return 0;
}
