// Reading OBJ text into the viewer's batches, on files generated here:
// - the 65,536-vertex limit torus, 256 x 256 shared records with normals and texture coordinates,
//   131,072 triangles, about 12.6 MB;
// - the same torus in quads;
// - a scan-like torus of bare positions, 708 x 708, about a million triangles and half a million
//   vertices with smoothed normals, in several batches;
// - 65,536 vertices at one position, told apart only by their normals (2.3 MB).
// Each beside tinyobjloader followed by meshoptimizer's exact deduplication, where installed, and
// the limit torus also beside the literal linear scan.

#include "core/mesh/objParse.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"
#include "support/linearWeld.h"
#include "torusObj.h"

#include <benchmark/benchmark.h>

#include <cstdio>

#ifdef SPINVIEW_BENCH_TINYOBJ
#include "tinyobjWeld.h"
#endif

namespace {

const std::string& limitTorus()
{
    static const std::string text = torusObj(TorusShape{256, 256, 13.0, 6.0, TorusLayout::shared});
    return text;
}

const std::string& quadTorus()
{
    static const std::string text = torusObj(TorusShape{256, 256, 13.0, 6.0, TorusLayout::sharedQuads});
    return text;
}

const std::string& scanTorus()
{
    static const std::string text = torusObj(TorusShape{708, 708, 13.0, 6.0, TorusLayout::positionsOnly});
    return text;
}

const std::string& crowdedPosition()
{
    static const std::string text = [] {
        std::string t = "v 1 2 3\nvt 0 0\n";
        char line[64];
        for (int i = 0; i < 65536; ++i) {
            snprintf(line, sizeof(line), "vn %.6f 1 0\n", double(i) * 0.0001);
            t += line;
        }
        for (int i = 1; i + 2 <= 65536 + 2; i += 3) {
            snprintf(line, sizeof(line), "f 1/1/%d 1/1/%d 1/1/%d\n", i, (i % 65536) + 1, ((i + 1) % 65536) + 1);
            t += line;
        }
        return t;
    }();
    return text;
}

const std::string& fileOf(int64_t which)
{
    switch (which) {
    case 0: return limitTorus();
    case 1: return quadTorus();
    case 2: return scanTorus();
    default: return crowdedPosition();
    }
}

const char* const fileNames[] = {"limit torus", "quad torus", "scan", "crowded position"};

void reportFile(benchmark::State& state, const std::string& text, size_t vertices, size_t triangles)
{
    state.SetLabel(fileNames[state.range(0)]);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["MB"] = double(text.size()) / 1e6;
    state.counters["vertices"] = double(vertices);
    state.counters["triangles"] = double(triangles);
}

void readAndWeld(benchmark::State& state)
{
    const std::string& text = fileOf(state.range(0));
    ObjMesh mesh;
    for (auto _ : state) {
        readObjText(text.data(), text.size(), mesh);
        benchmark::DoNotOptimize(mesh.indices.data());
    }
    reportFile(state, text, mesh.vertices.size(), mesh.indices.size() / 3);
}

// The same reading, with every corner welded by the literal linear scan instead; the scan dominates.
void readAndWeldByLinearScan(benchmark::State& state)
{
    const std::string& text = fileOf(state.range(0));
    LinearWeld weld;
    for (auto _ : state) {
        ObjRecords records;
        readObjRecords(text.data(), text.size(), records);
        fillMissingNormals(records);
        std::vector<Vertex> corners;
        for (const ObjCorner& corner : records.corners)
            corners.push_back(cornerVertex(records, corner));
        weld = linearWeld(corners);
        benchmark::DoNotOptimize(weld.indices.data());
    }
    reportFile(state, text, weld.vertices.size(), weld.indices.size() / 3);
}

#ifdef SPINVIEW_BENCH_TINYOBJ
// tinyobjloader's parse (polygons triangulated), then meshoptimizer's exact remap of its corners.
void tinyObjAndMeshopt(benchmark::State& state)
{
    const std::string& text = fileOf(state.range(0));
    size_t uniqueCount = 0, triangles = 0;
    for (auto _ : state) {
        tinyobj::ObjReader reader;
        tinyobj::ObjReaderConfig config;
        config.triangulate = true;
        reader.ParseFromString(text, "", config);
        std::vector<Vertex> vertices;
        triangles = weldTinyobjCorners(reader, vertices);
        uniqueCount = vertices.size();
        benchmark::DoNotOptimize(vertices.data());
    }
    reportFile(state, text, uniqueCount, triangles);
}
BENCHMARK(tinyObjAndMeshopt)->Unit(benchmark::kMillisecond)->DenseRange(0, 3);
#endif

} // namespace

BENCHMARK(readAndWeld)->Unit(benchmark::kMillisecond)->DenseRange(0, 3);
BENCHMARK(readAndWeldByLinearScan)->Unit(benchmark::kMillisecond)->Arg(0)->Iterations(1);

BENCHMARK_MAIN();
