// Fuzzes OBJ reading, smoothing, welding and batching. On every input: every component is finite,
// every batch holds at most its limit of vertices and its indices stay inside it, the batches
// draw every corner with the vertex it welded to, for inputs of up to 300 triangles the welding
// is the literal linear scan's, and reading in slices gives the same mesh and records: with the
// steps of the two threads on this thread alone, in an order the input's last bytes pick (a slice
// read after the one after it was skimmed, put back late, ...), and for one input in 32 on two
// threads as well.

#include "core/mesh/batches.h"
#include "core/mesh/objParse.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/objSlices.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"
#include "support/linearWeld.h"
#include "support/weldRecords.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

// Traps on a broken property, after printing it and the input that broke it.
#define CHECK(property) checkProperty((property), #property, __LINE__)

namespace {

constexpr size_t maxComparedCorners = 900;

const uint8_t* currentInput;
size_t currentSize;

// Prints the input as a C string literal: printable ASCII as it is, the rest escaped.
void printEscaped(const uint8_t* data, size_t size)
{
    fputc('"', stderr);
    for (size_t i = 0; i < size; ++i) {
        uint8_t c = data[i];
        if (c == '\\' || c == '"')
            fprintf(stderr, "\\%c", c);
        else if (c == '\n')
            fputs("\\n", stderr);
        else if (c == '\r')
            fputs("\\r", stderr);
        else if (c >= 32 && c < 127)
            fputc(c, stderr);
        else
            fprintf(stderr, "\\x%02x\"\"", c);  // closed, so that a hex digit after it stays apart
    }
    fputs("\"\n", stderr);
}

void checkProperty(bool holds, const char* property, int line)
{
    if (holds)
        return;
    fprintf(stderr, "objFuzz.cpp:%d: property failed: %s\ninput (%zu bytes): ", line, property, currentSize);
    printEscaped(currentInput, currentSize);
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

void checkBatches(const WeldedMesh& welded, size_t limit)
{
    WeldedMesh copy = welded;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<MeshBatch> batches;
    splitIntoBatches(copy, vertices, indices, batches, limit);
    size_t corner = 0;
    for (const MeshBatch& batch : batches) {
        CHECK(batch.vertexCount <= limit && batch.firstIndex == corner);
        for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i, ++corner) {
            CHECK(indices[i] < batch.vertexCount);
            const Vertex& drawn = vertices[batch.firstVertex + indices[i]];
            CHECK(memcmp(&drawn, &welded.vertices[welded.indices[corner]], sizeof(Vertex)) == 0);
        }
    }
    CHECK(corner == welded.indices.size());
}

template <typename Array>
bool sameItems(const Array& a, const Array& b)
{
    return a.size() == b.size() && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0);
}

bool sameProblems(const ProblemTallies& a, const ProblemTallies& b)
{
    for (size_t kind = 0; kind < problemKindCount; ++kind)
        if (a.of[kind].count != b.of[kind].count || a.of[kind].firstAt != b.of[kind].firstAt)
            return false;
    return true;
}

bool sameRecords(const ObjRecords& a, const ObjRecords& b)
{
    return sameItems(a.positions, b.positions) && sameItems(a.texCoords, b.texCoords) &&
           sameItems(a.normals, b.normals) && sameItems(a.corners, b.corners) && a.groups.size() == b.groups.size() &&
           sameProblems(a.problems, b.problems);
}

// Everything readObjRecords gives, bit for bit.
bool sameReading(const ObjRecords& a, const ObjRecords& b)
{
    bool groups = a.groups.size() == b.groups.size();
    for (size_t i = 0; groups && i < a.groups.size(); ++i)
        groups = a.groups[i].firstTriangle == b.groups[i].firstTriangle && a.groups[i].group == b.groups[i].group;
    return sameItems(a.positions, b.positions) && sameItems(a.texCoords, b.texCoords) &&
           sameItems(a.normals, b.normals) && sameItems(a.colors, b.colors) && sameItems(a.corners, b.corners) &&
           groups && sameItems(a.polygons, b.polygons) && sameItems(a.materials, b.materials) &&
           a.materialNames == b.materialNames && a.materialLibraries == b.materialLibraries &&
           a.triangles == b.triangles && sameProblems(a.problems, b.problems);
}

bool sameMesh(const Mesh& a, const Mesh& b)
{
    bool materials = a.materials.size() == b.materials.size();
    for (size_t i = 0; materials && i < a.materials.size(); ++i)
        materials = a.materials[i].name == b.materials[i].name;
    return a.indices == b.indices && sameItems(a.batches, b.batches) && sameItems(a.vertices, b.vertices) &&
           sameItems(a.colors, b.colors) && sameItems(a.ranges, b.ranges) && materials;
}

// The steps of a reading in slices picked by the input's bytes, from its last one backwards (so
// that the fuzzer's changes there reorder the steps), then the first step listed.
struct BytePicks {
    const uint8_t* data;
    size_t left;
};

size_t pickByByte(void* context, const SliceStep*, size_t)
{
    BytePicks& picks = *static_cast<BytePicks*>(context);
    return picks.left == 0 ? 0 : picks.data[--picks.left];
}

// FNV-1a of the input: which inputs are read on two threads as well.
uint32_t hashOf(const uint8_t* data, size_t size)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

// True when the text ends in a backslash, or a backslash and a carriage return: followed by a
// newline, its last line would go on with the next one.
bool endsInContinuation(const char* text, size_t size)
{
    size_t end = size > 0 && text[size - 1] == '\r' ? size - 1 : size;
    return end > 0 && text[end - 1] == '\\';
}

// The last line reads the same from a copy as followed by a newline and a line of numbers, where
// it lies, whatever its length (a face line whole, any other in the same pieces); a last line
// continued into the end of the text reads as the same line continued into a final newline (the
// numbers would join it).
void checkLastLineInPlace(const char* text, size_t size, const ObjRecords& records)
{
    std::string followed(size ? text : "", size);
    followed += endsInContinuation(text, size) ? "\n" : "\n1 2 3\n";
    ObjRecords inPlace;
    readObjRecords(followed.data(), followed.size(), inPlace);
    CHECK(sameRecords(records, inPlace));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    currentInput = data;
    currentSize = size;
    const char* text = reinterpret_cast<const char*>(data);
    ObjRecords records;
    readObjRecords(text, size, records);
    checkLastLineInPlace(text, size, records);
    const ObjRecords one = records;  // as read, before its normals are filled in
    CHECK(records.corners.size() % 3 == 0 && records.groups.size() <= records.corners.size() / 3);
    for (size_t i = 0; i < records.groups.size(); ++i)
        CHECK(records.groups[i].firstTriangle < records.corners.size() / 3 &&
              (i == 0 ? records.groups[i].firstTriangle == 0 : records.groups[i].firstTriangle > records.groups[i - 1].firstTriangle));
    fillMissingNormals(records);
    WeldedMesh welded;
    weldAllCorners(records, welded);

    CHECK(welded.indices.size() == records.corners.size());
    for (uint32_t index : welded.indices)
        CHECK(index < welded.vertices.size());
    for (const Vertex& v : welded.vertices)
        CHECK(finite(v));

    if (records.corners.size() <= maxComparedCorners) {
        std::vector<Vertex> corners;
        std::vector<Vector3> colors;
        for (const ObjCorner& corner : records.corners) {
            corners.push_back(cornerVertex(records, corner));
            if (!records.colors.empty())
                colors.push_back(records.colors[corner.position]);
        }
        LinearWeld reference = linearWeld(corners, records.colors.empty() ? nullptr : &colors);
        CHECK(welded.indices == reference.indices);
        CHECK(welded.colors.size() == reference.colors.size() &&
              (welded.colors.empty() ||
               memcmp(welded.colors.data(), reference.colors.data(), welded.colors.size() * sizeof(Vector3)) == 0));
        CHECK(welded.vertices.size() == reference.vertices.size());
        for (size_t i = 0; i < welded.vertices.size(); ++i)
            CHECK(memcmp(&welded.vertices[i], &reference.vertices[i], sizeof(Vertex)) == 0);
    }
    // a small limit reaches the borders between batches on small inputs too
    checkBatches(welded, 7);
    checkBatches(welded, maxBatchVertices);

    // reading with the complete faces welded as they come gives the same mesh
    ObjMesh streamed;
    ObjReadControl oneThread;
    oneThread.sliceBytes = 0;
    readObjText(text, size, streamed, oneThread);
    ObjMesh stored;
    splitIntoBatches(welded, stored.mesh.vertices, stored.mesh.indices, stored.mesh.batches, maxBatchVertices,
                     &stored.mesh.colors);
    if (!records.materials.empty())
        groupMaterials(records.materials, records.materialNames, stored.mesh);
    CHECK(sameMesh(streamed.mesh, stored.mesh));

    // read in slices, some eight of them, at places that shift with the input's size: the same
    // mesh again, with the steps of the two threads in the order the input picks; for one input
    // in four the same records too, and for one in 32 on two threads, whose hand-off of each small
    // slice costs far more than the reading
    size_t sliceBytes = 1 + size / 8 + size % 13;
    uint32_t hash = hashOf(data, size);
    BytePicks picks = {data, size};
    SliceSchedule schedule = {pickByByte, &picks};
    ObjMesh inSlices;
    ObjReadControl control;
    control.sliceBytes = sliceBytes;
    control.schedule = &schedule;
    // the kept faces welded in two parts, split where the input's size puts it
    control.twoPartWeldCorners = 1 + size % 23;
    CHECK(readObjText(text, size, inSlices, control));
    CHECK(sameMesh(inSlices.mesh, streamed.mesh) && sameProblems(inSlices.problems, streamed.problems));
    CHECK(inSlices.materialLibraries == streamed.materialLibraries);
    if (hash % 4 == 0) {
        picks = BytePicks{data, size};
        ObjRecords sliced;
        CHECK(readObjRecordsInSlices(text, size, sliceBytes, sliced, nullptr, &schedule) == SlicedReading::read);
        CHECK(sameReading(one, sliced));
    }
    if (hash % 32 == 0) {
        ObjRecords onTwoThreads;
        CHECK(readObjRecordsInSlices(text, size, sliceBytes, onTwoThreads) == SlicedReading::read);
        CHECK(sameReading(one, onTwoThreads));
        ObjMesh twoThreads;
        control.schedule = nullptr;
        CHECK(readObjText(text, size, twoThreads, control));
        CHECK(sameMesh(twoThreads.mesh, streamed.mesh) && sameProblems(twoThreads.problems, streamed.problems));
    }
    return 0;
}
