// The comparison for load_obj on PLY and STL files: reads one file with libassimp,
//   assimp_load [--same-work] FILE
// its polygons triangulated; with --same-work, also what the viewer does after reading: identical
// vertices joined and, for PLY, smooth normals made where the file has none (STL's facet normals
// come from the file). Prints the counts and the peak of the process's resident memory above what
// it held before reading, as load_obj does.

#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cstdio>
#include <cstring>

namespace {

long statusKb(const char* field)
{
    FILE* status = fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    size_t length = strlen(field);
    while (fgets(line, sizeof(line), status))
        if (strncmp(line, field, length) == 0 && line[length] == ':')
            sscanf(line + length + 1, "%ld", &kb);
    fclose(status);
    return kb;
}

} // namespace

int main(int argc, char** argv)
{
    bool sameWork = argc == 3 && strcmp(argv[1], "--same-work") == 0;
    if (argc != 2 && !sameWork) {
        fprintf(stderr, "usage: assimp_load [--same-work] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    unsigned flags = aiProcess_Triangulate;
    if (sameWork)
        flags |= aiProcess_JoinIdenticalVertices | aiProcess_GenSmoothNormals;
    long baseline = statusKb("VmRSS");
    const aiScene* scene = aiImportFile(path, flags);
    if (!scene) {
        fprintf(stderr, "Cannot read [%s]: %s\n", path, aiGetErrorString());
        return 1;
    }
    size_t vertices = 0, triangles = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        vertices += scene->mMeshes[m]->mNumVertices;
        triangles += scene->mMeshes[m]->mNumFaces;
    }
    printf("%zu vertices, %zu triangles\n", vertices, triangles);
    long peak = statusKb("VmHWM");
    if (baseline >= 0 && peak >= 0)
        printf("peak memory above the baseline: %.1f MB\n", double(peak - baseline) * 1024.0 / 1e6);
    aiReleaseImport(scene);
    return 0;
}
