// Fuzzes OBJ reading and welding. On every input: every index is below the vertex count, there are
// at most 65,536 vertices, every component is finite, and, for inputs of up to 300 faces, the
// result is the literal linear scan's.

#include "assets/objReader.h"
#include "support/linearWeld.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t maxComparedFaces = 300;

struct Reference {
    LinearWeld weld;
    uint32_t faces = 0;
};

void check(bool condition)
{
    if (!condition)
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
    Reference reference;
    ObjFaceObserver observer = {[](void* context, const Vertex (&corners)[3]) {
                                    Reference& r = *static_cast<Reference*>(context);
                                    if (++r.faces <= maxComparedFaces)
                                        linearWeldFace(r.weld, corners);
                                },
                                &reference};
    ObjMesh mesh;
    readObj(reinterpret_cast<const char*>(data), size, mesh, observer);

    check(mesh.vertices.size() <= maxMeshVertices);
    check(mesh.indices.size() % 3 == 0);
    for (uint16_t index : mesh.indices)
        check(index < mesh.vertices.size());
    for (const Vertex& v : mesh.vertices)
        check(finite(v));

    if (reference.faces <= maxComparedFaces) {
        check(mesh.indices == reference.weld.indices);
        check(mesh.vertices.size() == reference.weld.vertices.size());
        for (size_t i = 0; i < mesh.vertices.size(); ++i)
            check(memcmp(&mesh.vertices[i], &reference.weld.vertices[i], sizeof(Vertex)) == 0);
        check(mesh.report.facesPastLimit.count == reference.weld.skippedFaces);
    }
    return 0;
}
