// Reading + welding an OBJ at the 65,536-vertex limit: a 256 x 256 torus with normals and texture
// coordinates, 131,072 triangles, about 12.5 MB. Compares the grid welding with the literal linear
// scan and, where installed, with tinyobjloader followed by meshoptimizer's exact deduplication.

#include "assets/obj/objParse.h"
#include "assets/obj/objReader.h"
#include "assets/obj/smoothing.h"
#include "assets/obj/weld.h"
#include "support/linearWeld.h"
#include "torusObj.h"

#include <benchmark/benchmark.h>

#ifdef SPINVIEW_BENCH_TINYOBJ
#include <meshoptimizer.h>
#include <tiny_obj_loader.h>
#include <sstream>
#endif

namespace {

const std::string& limitTorus()
{
    static const std::string text = torusObj(TorusShape{256, 256, 13.0, 6.0, false});
    return text;
}

void reportFile(benchmark::State& state, size_t vertices, size_t indices)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(limitTorus().size()));
    state.counters["MB"] = double(limitTorus().size()) / 1e6;
    state.counters["vertices"] = double(vertices);
    state.counters["triangles"] = double(indices / 3);
}

void readAndWeld(benchmark::State& state)
{
    const std::string& text = limitTorus();
    ObjMesh mesh;
    for (auto _ : state) {
        readObj(text.data(), text.size(), mesh);
        benchmark::DoNotOptimize(mesh.indices.data());
    }
    reportFile(state, mesh.vertices.size(), mesh.indices.size());
}

// The same reading, with every corner welded by the literal linear scan instead; the scan dominates.
void readAndWeldByLinearScan(benchmark::State& state)
{
    const std::string& text = limitTorus();
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
    reportFile(state, weld.vertices.size(), weld.indices.size());
}

#ifdef SPINVIEW_BENCH_TINYOBJ
void tinyObjAndMeshopt(benchmark::State& state)
{
    const std::string& text = limitTorus();
    size_t uniqueCount = 0, indexCount = 0;
    for (auto _ : state) {
        tinyobj::ObjReader reader;
        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        reader.ParseFromString(text, "", config);
        const tinyobj::attrib_t& attrib = reader.GetAttrib();
        std::vector<Vertex> corners;
        for (const tinyobj::shape_t& shape : reader.GetShapes())
            for (const tinyobj::index_t& index : shape.mesh.indices) {
                Vertex v;
                v.position = {attrib.vertices[3 * index.vertex_index], attrib.vertices[3 * index.vertex_index + 1],
                              attrib.vertices[3 * index.vertex_index + 2]};
                v.texCoord = {attrib.texcoords[2 * index.texcoord_index], attrib.texcoords[2 * index.texcoord_index + 1]};
                v.normal = {attrib.normals[3 * index.normal_index], attrib.normals[3 * index.normal_index + 1],
                            attrib.normals[3 * index.normal_index + 2]};
                corners.push_back(v);
            }
        std::vector<unsigned int> remap(corners.size());
        uniqueCount = meshopt_generateVertexRemap(remap.data(), nullptr, corners.size(), corners.data(), corners.size(),
                                                  sizeof(Vertex));
        std::vector<Vertex> vertices(uniqueCount);
        meshopt_remapVertexBuffer(vertices.data(), corners.data(), corners.size(), sizeof(Vertex), remap.data());
        std::vector<uint16_t> indices(remap.begin(), remap.end());
        indexCount = indices.size();
        benchmark::DoNotOptimize(indices.data());
    }
    reportFile(state, uniqueCount, indexCount);
}
BENCHMARK(tinyObjAndMeshopt)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK(readAndWeld)->Unit(benchmark::kMillisecond);
BENCHMARK(readAndWeldByLinearScan)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
