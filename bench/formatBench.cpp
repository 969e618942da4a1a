// Reading PLY and STL files into the viewer's batches, in one process, beside libassimp reading the
// same bytes where it is installed, and the viewer reading the same model as OBJ text. The model is
// the scan-like torus of objBench: 708 x 708 bare positions, 1,002,528 triangles, written by
// make_torus's writers as binary PLY (19.0 MB), binary STL (50.1 MB), ASCII PLY and ASCII STL.
// libassimp is measured twice: reading alone (its polygons triangulated), and with the work the
// viewer does after reading (identical vertices joined, smooth normals made where there are none).

#include "core/mesh/objMesh.h"
#include "core/mesh/plyReader.h"
#include "core/mesh/stlReader.h"
#include "torusObj.h"

#include <benchmark/benchmark.h>

#include <string>

#ifdef SPINVIEW_BENCH_ASSIMP
#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

namespace {

const TorusShape scan = {708, 708, 13.0, 6.0, TorusLayout::positionsOnly};

struct ModelBytes {
    const char* name;
    const char* hint;  // the extension libassimp is told
    std::string bytes;
};

const ModelBytes& modelBytes(int which)
{
    static const ModelBytes files[] = {
        {"binary PLY", "ply", [] {
             PlyLayout layout;
             layout.encoding = PlyEncoding::binaryLittle;
             return plyText(torusModel(scan), layout);
         }()},
        {"binary STL", "stl", stlText(torusModel(scan), true)},
        {"ASCII PLY", "ply", plyText(torusModel(scan))},
        {"ASCII STL", "stl", stlText(torusModel(scan), false)},
        {"OBJ", "obj", torusObj(scan)},
    };
    return files[which];
}

bool isPly(int which)
{
    return which == 0 || which == 2;
}

void report(benchmark::State& state, const ModelBytes& file, size_t vertices, size_t triangles)
{
    state.SetLabel(file.name);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.bytes.size()));
    state.counters["vertices"] = double(vertices);
    state.counters["triangles"] = double(triangles);
}

void spinviewRead(benchmark::State& state)
{
    int which = int(state.range(0));
    const ModelBytes& file = modelBytes(which);
    const unsigned char* data = reinterpret_cast<const unsigned char*>(file.bytes.data());
    Mesh mesh;
    for (auto _ : state) {
        ProblemList problems;
        if (which == 4) {
            ObjMesh read;
            readObjText(file.bytes.data(), file.bytes.size(), read);
            mesh = std::move(read.mesh);
        } else if (isPly(which)) {
            readPlyBytes(data, file.bytes.size(), mesh, problems);
        } else {
            readStlBytes(data, file.bytes.size(), mesh, problems);
        }
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    report(state, file, mesh.vertices.size(), mesh.indices.size() / 3);
}
BENCHMARK(spinviewRead)->Unit(benchmark::kMillisecond)->DenseRange(0, 4)->UseRealTime();

#ifdef SPINVIEW_BENCH_ASSIMP
void assimpRead(benchmark::State& state)
{
    const ModelBytes& file = modelBytes(int(state.range(0)));
    unsigned flags = aiProcess_Triangulate;
    if (state.range(1))
        flags |= aiProcess_JoinIdenticalVertices | aiProcess_GenSmoothNormals;
    size_t vertices = 0, triangles = 0;
    for (auto _ : state) {
        const aiScene* scene = aiImportFileFromMemory(file.bytes.data(), unsigned(file.bytes.size()), flags, file.hint);
        if (!scene) {
            state.SkipWithError(aiGetErrorString());
            return;
        }
        vertices = triangles = 0;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
            vertices += scene->mMeshes[m]->mNumVertices;
            triangles += scene->mMeshes[m]->mNumFaces;
        }
        aiReleaseImport(scene);
    }
    report(state, file, vertices, triangles);
    if (state.range(1))
        state.SetLabel(std::string(file.name) + ", joined and smoothed");
}
BENCHMARK(assimpRead)->Unit(benchmark::kMillisecond)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->UseRealTime();
#endif

} // namespace

BENCHMARK_MAIN();
