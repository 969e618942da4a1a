// Reading OBJ text into the viewer's batches, on files generated here:
// - the 65,536-vertex limit torus, 256 x 256 shared records with normals and texture coordinates,
//   131,072 triangles, about 12.6 MB;
// - the same torus in quads;
// - a scan-like torus of bare positions, 708 x 708, about a million triangles and half a million
//   vertices with smoothed normals, in several batches;
// - 65,536 vertices at one position, told apart only by their normals (2.3 MB).
// Each beside tinyobjloader followed by meshoptimizer's exact deduplication, where installed, and
// the limit torus also beside the literal linear scan.
//
// Then files made to be hard, each at 1, 2 and 4 times a size, whose time must grow linearly:
// - a fan of 80,000 triangles around one vertex, each after an s line of its own (4.3 MB);
// - a flat 200 x 200 quad grid with one normal, its coordinates scaled by 1e20;
// - 27^3 positions 1.1e-5 apart, each with 2 texture coordinates 1.1e-5 apart and one normal:
//   39,366 vertices within one cell of the weld grid on all eight components.

#include "core/mesh/objParse.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"
#include "support/linearWeld.h"
#include "torusObj.h"

#include <benchmark/benchmark.h>

#include <cmath>
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

std::string smoothingGroupFan(int triangles)
{
    std::string t = "v 0 0 0\n";
    char line[96];
    for (int i = 0; i <= triangles; ++i) {
        double angle = 6.28 * i / triangles;
        snprintf(line, sizeof(line), "v %f %f %f\n", std::cos(angle), std::sin(angle), 0.1 * (i % 2));
        t += line;
    }
    for (int i = 0; i < triangles; ++i) {
        snprintf(line, sizeof(line), "s %d\nf 1 %d %d\n", i + 1, i + 2, i + 3);
        t += line;
    }
    return t;
}

std::string hugeQuadGrid(int side)
{
    std::string t;
    char line[96];
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i) {
            snprintf(line, sizeof(line), "v %g %g 0\n", i * 1e20, j * 1e20);
            t += line;
        }
    t += "vn 0 0 1\n";
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            int a = j * (side + 1) + i + 1;
            snprintf(line, sizeof(line), "f %d//1 %d//1 %d//1 %d//1\n", a, a + 1, a + side + 2, a + side + 1);
            t += line;
        }
    return t;
}

std::string crowdInOneCell(int texCoordsPerPosition)
{
    const double step = 1.1e-5;
    std::string t;
    char line[96];
    for (int x = 0; x < 27; ++x)
        for (int y = 0; y < 27; ++y)
            for (int z = 0; z < 27; ++z) {
                snprintf(line, sizeof(line), "v %.9g %.9g %.9g\n", (x - 13) * step, (y - 13) * step, (z - 13) * step);
                t += line;
            }
    for (int u = 0; u < 27; ++u)
        for (int v = 0; v < 27; ++v) {
            snprintf(line, sizeof(line), "vt %.9g %.9g\n", (u - 13) * step, (v - 13) * step);
            t += line;
        }
    t += "vn 0 0 1\n";
    const int corners = 27 * 27 * 27 * texCoordsPerPosition;
    for (int c = 0; c + 2 < corners; c += 3) {
        t += "f";
        for (int k = c; k < c + 3; ++k) {
            int position = k / texCoordsPerPosition;
            snprintf(line, sizeof(line), " %d/%d/1", position + 1, (position * texCoordsPerPosition + k % texCoordsPerPosition) % 729 + 1);
            t += line;
        }
        t += "\n";
    }
    return t;
}

// The limit torus switching among three materials every 13 faces: about 10,000 usemtl lines.
const std::string& materialTorus()
{
    static const std::string text = [] {
        const std::string& plain = limitTorus();
        std::string t = "mtllib none.mtl\n";
        size_t faces = 0;
        for (size_t at = 0; at < plain.size();) {
            size_t end = plain.find('\n', at) + 1;
            if (plain[at] == 'f' && faces++ % 13 == 0)
                t += "usemtl m" + std::to_string(faces / 13 % 3) + "\n";
            t.append(plain, at, end - at);
            at = end;
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
    case 3: return crowdedPosition();
    default: return materialTorus();
    }
}

const char* const fileNames[] = {"limit torus", "quad torus", "scan", "crowded position", "limit torus, 10,000 usemtl"};

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
        benchmark::DoNotOptimize(mesh.mesh.indices.data());
    }
    reportFile(state, text, mesh.mesh.vertices.size(), mesh.mesh.indices.size() / 3);
}

// The same reading on one thread, whatever the file's size.
void readAndWeldOnOneThread(benchmark::State& state)
{
    const std::string& text = fileOf(state.range(0));
    ObjMesh mesh;
    ObjReadControl control;
    control.sliceBytes = 0;
    for (auto _ : state) {
        readObjText(text.data(), text.size(), mesh, control);
        benchmark::DoNotOptimize(mesh.mesh.indices.data());
    }
    reportFile(state, text, mesh.mesh.vertices.size(), mesh.mesh.indices.size() / 3);
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
BENCHMARK(tinyObjAndMeshopt)->Unit(benchmark::kMillisecond)->DenseRange(0, 3)->UseRealTime();
#endif

} // namespace

const char* const hardFileNames[] = {"smoothing group fan", "huge coordinates", "crowd in one cell"};

// The hard file `which` at `scale` times its size, made once.
const std::string& hardFile(int64_t which, int64_t scale)
{
    static std::string files[3][5];
    std::string& text = files[which][scale];
    if (text.empty())
        text = which == 0 ? smoothingGroupFan(80000 * int(scale))
             : which == 1 ? hugeQuadGrid(int(std::lround(200.0 * std::sqrt(double(scale)))))
                          : crowdInOneCell(2 * int(scale));
    return text;
}

void readHardFile(benchmark::State& state)
{
    const std::string& text = hardFile(state.range(0), state.range(1));
    ObjMesh mesh;
    for (auto _ : state) {
        readObjText(text.data(), text.size(), mesh);
        benchmark::DoNotOptimize(mesh.mesh.indices.data());
    }
    state.SetLabel(std::string(hardFileNames[state.range(0)]) + " " + std::to_string(state.range(1)) + "x");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["MB"] = double(text.size()) / 1e6;
    state.counters["vertices"] = double(mesh.mesh.vertices.size());
    state.counters["triangles"] = double(mesh.mesh.indices.size() / 3);
}

BENCHMARK(readAndWeld)->Unit(benchmark::kMillisecond)->DenseRange(0, 4)->UseRealTime();
BENCHMARK(readAndWeldOnOneThread)->Unit(benchmark::kMillisecond)->DenseRange(0, 2)->UseRealTime();
BENCHMARK(readHardFile)->Unit(benchmark::kMillisecond)->ArgsProduct({{0, 1, 2}, {1, 2, 4}});
BENCHMARK(readAndWeldByLinearScan)->Unit(benchmark::kMillisecond)->Arg(0)->Iterations(1);

BENCHMARK_MAIN();
