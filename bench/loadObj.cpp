// Reads, welds and batches one model file as the viewer does, without OpenGL:
//   load_obj [--one-thread] FILE
// (--one-thread reads an OBJ file on one thread, however large)
// Prints the counts, the problems, and the peak of the process's resident memory above what it held before
// loading (heap and the file's mapped pages alike), from /proc/self/status where there is one.

#include "core/mesh/modelFile.h"
#include "core/mesh/objMesh.h"

#include <cstdio>
#include <cstring>

namespace {

// A "Vm..." line of /proc/self/status in kB, or -1.
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
    bool oneThread = argc == 3 && strcmp(argv[1], "--one-thread") == 0;
    if (argc != 2 && !oneThread) {
        fprintf(stderr, "usage: load_obj [--one-thread] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    long baseline = statusKb("VmRSS");
    Mesh mesh;
    ProblemList problems;
    FileStatus status = oneThread ? readObjFile(path, mesh, problems, nullptr, 0) : readModelFile(path, mesh, problems);
    if (status != FileStatus::ok) {
        fprintf(stderr, "Cannot open file [%s]\n", path);
        return 1;
    }
    if (mesh.primitive == MeshPrimitive::points)
        printf("%zu points in %zu batches\n", mesh.vertices.size(), mesh.batches.size());
    else
        printf("%zu vertices in %zu batches, %zu triangles\n", mesh.vertices.size(), mesh.batches.size(),
               mesh.indices.size() / 3);
    logProblems(problems, path);
    long peak = statusKb("VmHWM");
    if (baseline >= 0 && peak >= 0)
        printf("peak memory above the baseline: %.1f MB\n", double(peak - baseline) * 1024.0 / 1e6);
    return 0;
}
