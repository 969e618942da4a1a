// Fuzzes the PLY and STL readers and the flat weld. Every input is read as a PLY file and as an STL
// file: the result is a sane mesh (finite components, batches within 16-bit indices and their
// indices inside them, a color per vertex or none, one index a point), and a reading told to stop
// stops with nothing. The input's bytes, taken as floats three a corner, are also welded flat a
// part at a time: the result is weldTriangles' (for up to 100 triangles, the linear scan's too).

#include "core/mesh/flatWeld.h"
#include "core/mesh/plyReader.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/stlReader.h"
#include "support/linearWeld.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

// Traps on a broken property, after printing it.
#define CHECK(property) checkProperty((property), #property, __LINE__)

namespace {

void checkProperty(bool holds, const char* property, int line)
{
    if (holds)
        return;
    fprintf(stderr, "plyStlFuzz.cpp:%d: property failed: %s\n", line, property);
    __builtin_trap();
}

void checkMesh(const Mesh& mesh)
{
    for (const Vertex& v : mesh.vertices) {
        const float* f = &v.position.x;
        for (int i = 0; i < 8; ++i)
            CHECK(std::isfinite(f[i]));
    }
    CHECK(mesh.colors.empty() || mesh.colors.size() == mesh.vertices.size());
    uint32_t vertex = 0, index = 0;
    for (const MeshBatch& batch : mesh.batches) {
        CHECK(batch.firstVertex == vertex && batch.firstIndex == index && batch.vertexCount <= 65536);
        for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i)
            CHECK(mesh.indices[i] < batch.vertexCount);
        vertex += batch.vertexCount;
        index += batch.indexCount;
    }
    CHECK(vertex == mesh.vertices.size() && index == mesh.indices.size());
    CHECK(mesh.primitive == MeshPrimitive::points ? index == vertex : index % 3 == 0);
}

bool stopAtOnce(void*, size_t)
{
    return false;
}

// The bytes as floats, three a corner, each non-finite one 0.
std::vector<Vector3> bytesAsCorners(const uint8_t* data, size_t size)
{
    std::vector<Vector3> corners(size / 36 * 3);
    if (!corners.empty())
        memcpy(corners.data(), data, corners.size() * sizeof(Vector3));
    for (Vector3& c : corners) {
        float* f = &c.x;
        for (int i = 0; i < 3; ++i)
            if (!std::isfinite(f[i]))
                f[i] = 0.0f;
    }
    return corners;
}

void checkFlatWeld(const uint8_t* data, size_t size)
{
    TriangleList list;
    list.positions = bytesAsCorners(data, size);
    WeldedMesh expected;
    weldTriangles(list, expected);
    FlatWelding welding;
    startFlatWelding(welding, list.positions.size() / 3);
    size_t triangles = list.positions.size() / 3, part = 1 + size % 7;
    for (size_t done = 0; done < triangles; done += part)
        weldFlatTriangles(welding, list.positions.data() + 3 * done, triangles - done < part ? triangles - done : part);
    WeldedMesh flat = finishFlatWelding(welding);
    CHECK(flat.indices == expected.indices && flat.vertices.size() == expected.vertices.size());
    CHECK(flat.vertices.empty() ||
          memcmp(flat.vertices.data(), expected.vertices.data(), flat.vertices.size() * sizeof(Vertex)) == 0);
    if (triangles > 100)
        return;
    std::vector<Vertex> corners;
    for (size_t i = 0; i < list.positions.size(); ++i) {
        const Vector3* t = &list.positions[i - i % 3];
        corners.push_back(Vertex{list.positions[i], {0.0f, 0.0f}, faceNormal(t[0], t[1], t[2])});
    }
    LinearWeld reference = linearWeld(corners);
    CHECK(flat.indices == reference.indices && flat.vertices.size() == reference.vertices.size());
    CHECK(flat.vertices.empty() ||
          memcmp(flat.vertices.data(), reference.vertices.data(), flat.vertices.size() * sizeof(Vertex)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool (*readers[])(const unsigned char*, size_t, Mesh&, ProblemList&, const ReadProgress&) = {readPlyBytes,
                                                                                                 readStlBytes};
    for (auto read : readers) {
        Mesh mesh;
        ProblemList problems;
        CHECK(read(data, size, mesh, problems, ReadProgress()));
        checkMesh(mesh);
        ReadProgress stop;
        stop.passed = stopAtOnce;
        Mesh stopped;
        CHECK(!read(data, size, stopped, problems, stop) && stopped.vertices.empty() && stopped.indices.empty());
    }
    checkFlatWeld(data, size);
    return 0;
}
