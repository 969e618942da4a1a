// Fuzzes glTF reading from memory (GLB or JSON; the files a model names read as missing): on
// every input, nothing crashes, hangs or allocates more than the input's sizes allow, and the
// mesh made is sound: finite components, every batch within its vertices and 16-bit limit, the
// ranges inside their batches and naming materials there are, every embedded map naming an image.

#include "core/mesh/gltfMesh.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#define CHECK(property) checkProperty((property), #property, __LINE__)

namespace {

void checkProperty(bool holds, const char* property, int line)
{
    if (holds)
        return;
    fprintf(stderr, "gltfFuzz.cpp:%d: property failed: %s\n", line, property);
    __builtin_trap();
}

bool finite(const Vertex& v)
{
    const float* f = &v.position.x;
    for (int i = 0; i < 8; ++i)
        if (!std::isfinite(f[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GltfOptions options;
    options.openFiles = false;
    Mesh mesh;
    ProblemList problems;
    CHECK(readGltfBytes(data, size, "fuzz.gltf", options, mesh, problems));
    for (const Vertex& v : mesh.vertices)
        CHECK(finite(v));
    size_t indices = 0;
    for (const MeshBatch& batch : mesh.batches) {
        CHECK(batch.vertexCount <= maxBatchVertices && batch.firstIndex == indices);
        CHECK(uint64_t(batch.firstVertex) + batch.vertexCount <= mesh.vertices.size());
        for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i)
            CHECK(mesh.indices[i] < batch.vertexCount);
        for (uint32_t r = batch.firstRange; r < batch.firstRange + batch.rangeCount; ++r) {
            const MeshRange& range = mesh.ranges[r];
            CHECK(range.material < mesh.materials.size());
            CHECK(range.firstIndex >= batch.firstIndex &&
                  range.firstIndex + range.indexCount <= batch.firstIndex + batch.indexCount);
        }
        indices += batch.indexCount;
    }
    CHECK(indices == mesh.indices.size() && indices % 3 == 0);
    CHECK(mesh.colors.empty() || mesh.colors.size() == mesh.vertices.size());
    for (const Material& material : mesh.materials)
        for (int kind = 0; kind < materialMapKinds; ++kind)
            CHECK(materialMap(material, MaterialMapKind(kind)).embedded < int32_t(mesh.images.size()));
    return 0;
}
