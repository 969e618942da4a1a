// Reads, welds and batches one OBJ file as the viewer does, without OpenGL: load_obj FILE
// Prints the counts; scripts/bench.sh runs it under valgrind's massif for the peak heap.

#include "assets/meshFile.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: load_obj FILE\n");
        return 2;
    }
    ObjMesh mesh;
    if (readMeshFile(argv[1], mesh) != FileStatus::ok) {
        fprintf(stderr, "Cannot open file [%s]\n", argv[1]);
        return 1;
    }
    printf("%zu vertices in %zu batches, %zu triangles\n", mesh.vertices.size(), mesh.batches.size(),
           mesh.indices.size() / 3);
    return 0;
}
