// Reads and welds one OBJ file as the viewer does, without OpenGL: load_obj FILE
// Prints the counts; scripts/bench.sh runs it under valgrind's massif for the peak heap.

#include "assets/fileBytes.h"
#include "assets/objReader.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: load_obj FILE\n");
        return 2;
    }
    FileBytes bytes;
    if (readFileBytes(argv[1], bytes) != FileStatus::ok) {
        fprintf(stderr, "Cannot open file [%s]\n", argv[1]);
        return 1;
    }
    size_t size = bytes.size;
    ObjMesh mesh;
    readObj(bytes.data, bytes.size, mesh);
    freeFileBytes(bytes);
    logObjReport(mesh.report, argv[1]);
    printf("%zu bytes, %zu vertices, %zu triangles\n", size, mesh.vertices.size(), mesh.indices.size() / 3);
    return 0;
}
