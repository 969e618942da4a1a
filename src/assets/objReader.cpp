#include "assets/objReader.h"

#include "assets/numberScan.h"
#include "assets/weld.h"
#include "diag/log.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr size_t maxPieceLength = 1023;  // what fgets reads into a 1024-byte buffer

struct ObjReader {
    std::vector<Vector3> positions;
    std::vector<Vector2> texCoords;
    std::vector<Vector3> normals;
    WeldGrid grid;
    CornerCache cache;
    ObjMesh* mesh;
    uint32_t line;
    const ObjFaceObserver* observer;
};

struct Corner {
    uint32_t position, texCoord, normal;  // resolved 0-based record numbers; noVertex when absent
};

void notice(ObjProblem& problem, uint32_t line)
{
    if (problem.count++ == 0)
        problem.firstLine = line;
}

// Scans `count` numbers into values; missing ones and non-finite ones become 0 and are reported.
void scanRecordNumbers(ObjReader& reader, const char* text, float* values, int count)
{
    for (int i = 0; i < count; ++i)
        values[i] = 0.0f;
    if (scanFloats(text, values, count) < count)
        notice(reader.mesh->report.missingNumbers, reader.line);
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            values[i] = 0.0f;
            notice(reader.mesh->report.nonFiniteNumbers, reader.line);
        }
    }
}

// Resolves a 1-based or negative (relative) index against `count` entries read so far.
bool resolveIndex(int index, size_t count, uint32_t& resolved)
{
    if (index > 0 && size_t(index) <= count) {
        resolved = uint32_t(index - 1);
        return true;
    }
    if (index < 0 && size_t(-int64_t(index)) <= count) {
        resolved = uint32_t(int64_t(count) + index);
        return true;
    }
    return false;
}

// Reads one index and resolves it; returns nullptr when it is missing, too large or out of range.
const char* scanCornerIndex(const char* p, size_t count, uint32_t& resolved)
{
    IndexScan status;
    int index = 0;
    p = scanIndex(p, status, index);
    if (status != IndexScan::ok || !resolveIndex(index, count, resolved))
        return nullptr;
    return p;
}

// Reads one corner: v, v/vt, v//vn or v/vt/vn. Returns nullptr when it is not valid.
const char* scanCorner(const ObjReader& reader, const char* p, Corner& corner)
{
    corner.texCoord = noVertex;
    corner.normal = noVertex;
    p = scanCornerIndex(p, reader.positions.size(), corner.position);
    if (!p || *p != '/')
        return p;
    ++p;
    if (*p != '/') {
        p = scanCornerIndex(p, reader.texCoords.size(), corner.texCoord);
        if (!p || *p != '/')
            return p;
    }
    ++p;
    return scanCornerIndex(p, reader.normals.size(), corner.normal);
}

// The triangle's unit normal, computed in double; zero for a degenerate triangle.
Vector3 faceNormal(const Vector3& a, const Vector3& b, const Vector3& c)
{
    double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    Vector3 n = {0.0f, 0.0f, 0.0f};
    if (length > 0.0 && std::isfinite(length))
        set(n, float(nx / length), float(ny / length), float(nz / length));
    return n;
}

// The full vertex of each corner; a corner without a normal gets the triangle's.
void buildCornerVertices(const ObjReader& reader, const Corner (&corners)[3], Vertex (&vertex)[3])
{
    bool needsFaceNormal = false;
    for (int k = 0; k < 3; ++k) {
        vertex[k].position = reader.positions[corners[k].position];
        vertex[k].texCoord = corners[k].texCoord == noVertex ? Vector2{0.0f, 0.0f} : reader.texCoords[corners[k].texCoord];
        if (corners[k].normal != noVertex)
            vertex[k].normal = reader.normals[corners[k].normal];
        else
            needsFaceNormal = true;
    }
    if (needsFaceNormal) {
        Vector3 n = faceNormal(vertex[0].position, vertex[1].position, vertex[2].position);
        for (int k = 0; k < 3; ++k)
            if (corners[k].normal == noVertex)
                vertex[k].normal = n;
    }
}

// Welds the three corners of a face into the mesh, or skips the face whole when it would need
// a vertex past the limit.
void weldFace(ObjReader& reader, const Corner (&corners)[3])
{
    ObjMesh& mesh = *reader.mesh;

    // a corner that repeats an earlier one's records welds where that one did; a corner without
    // a normal is never cached, since its face normal depends on the whole face
    uint32_t result[3];
    int cachedCount = 0;
    for (int k = 0; k < 3; ++k) {
        const Corner& c = corners[k];
        result[k] = c.normal != noVertex ? findCachedCorner(reader.cache, c.position, c.texCoord, c.normal) : noVertex;
        cachedCount += result[k] != noVertex;
    }
    if (cachedCount == 3 && !reader.observer) {
        for (uint32_t r : result)
            mesh.indices.push_back(uint16_t(r));
        return;
    }

    Vertex vertex[3];
    buildCornerVertices(reader, corners, vertex);
    if (reader.observer)
        reader.observer->onFace(reader.observer->context, vertex);

    // the linear scan meets existing vertices before this face's new ones, so an existing
    // match wins, then the first new corner of this face that matches
    bool isNew[3] = {false, false, false};
    uint32_t newCount = 0;
    uint32_t base = uint32_t(mesh.vertices.size());
    for (int k = 0; k < 3; ++k) {
        uint32_t match = result[k];
        if (match == noVertex)
            match = findWeldMatch(reader.grid, mesh.vertices, vertex[k]);
        for (int j = 0; j < k && match == noVertex; ++j)
            if (isNew[j] && verticesMatch(vertex[j], vertex[k]))
                match = result[j];
        if (match == noVertex) {
            match = base + newCount++;
            isNew[k] = true;
        }
        result[k] = match;
    }

    if (base + newCount > maxMeshVertices) {
        notice(mesh.report.facesPastLimit, reader.line);
        return;
    }
    for (int k = 0; k < 3; ++k) {
        if (isNew[k]) {
            mesh.vertices.push_back(vertex[k]);
            addToWeldGrid(reader.grid, mesh.vertices, result[k]);
        }
        if (corners[k].normal != noVertex)
            cacheCorner(reader.cache, corners[k].position, corners[k].texCoord, corners[k].normal, result[k]);
        mesh.indices.push_back(uint16_t(result[k]));
    }
}

void readFace(ObjReader& reader, const char* p)
{
    Corner corners[3];
    for (Corner& corner : corners) {
        p = scanCorner(reader, p, corner);
        if (!p) {
            notice(reader.mesh->report.invalidFaces, reader.line);
            return;
        }
    }
    weldFace(reader, corners);
}

// Classifies one zero-terminated piece on its exact leading characters.
void readPiece(ObjReader& reader, const char* piece)
{
    if (piece[0] == 'v' && piece[1] == ' ') {
        float v[3];
        scanRecordNumbers(reader, piece + 2, v, 3);
        reader.positions.push_back(Vector3{v[0], v[1], v[2]});
    } else if (piece[0] == 'v' && piece[1] == 't' && piece[2] == ' ') {
        float v[2];
        scanRecordNumbers(reader, piece + 3, v, 2);
        reader.texCoords.push_back(Vector2{v[0], v[1]});
    } else if (piece[0] == 'v' && piece[1] == 'n' && piece[2] == ' ') {
        float v[3];
        scanRecordNumbers(reader, piece + 3, v, 3);
        reader.normals.push_back(Vector3{v[0], v[1], v[2]});
    } else if (piece[0] == 'f' && piece[1] == ' ') {
        readFace(reader, piece + 2);
    }
}

void readObjPieces(const char* text, size_t size, ObjMesh& out, const ObjFaceObserver* observer)
{
    out = ObjMesh();
    ObjReader reader;
    reader.mesh = &out;
    reader.line = 1;
    reader.observer = observer;
    // a vertex takes at least about 40 bytes of text ("v", "vt" and "vn" records)
    size_t expectedVertices = std::min(size / 40, maxMeshVertices);
    reserveWeldGrid(reader.grid, out.vertices, expectedVertices);
    out.vertices.reserve(expectedVertices);

    char piece[maxPieceLength + 1];
    size_t offset = 0;
    while (offset < size) {
        size_t available = size - offset < maxPieceLength ? size - offset : maxPieceLength;
        const char* start = text + offset;
        const char* newline = static_cast<const char*>(memchr(start, '\n', available));
        size_t length = newline ? size_t(newline - start) + 1 : available;
        // a copy gives the piece its terminator, as fgets does; the scans stop at the first zero
        memcpy(piece, start, length);
        piece[length] = '\0';
        readPiece(reader, piece);
        offset += length;
        if (newline)
            ++reader.line;
    }
}

} // namespace

void readObj(const char* text, size_t size, ObjMesh& out)
{
    readObjPieces(text, size, out, nullptr);
}

void readObj(const char* text, size_t size, ObjMesh& out, const ObjFaceObserver& observer)
{
    readObjPieces(text, size, out, &observer);
}

namespace {

void logProblem(const ObjProblem& problem, const char* what, const char* path)
{
    if (problem.count > 0)
        logMessage(what, problem.count, problem.count == 1 ? "" : "s", path, problem.firstLine);
}

} // namespace

void logObjReport(const ObjReport& report, const char* path)
{
    logProblem(report.invalidFaces, "Skipped %u face%s with invalid indices in [%s], first at line %u", path);
    logProblem(report.facesPastLimit, "Skipped %u face%s past the 65536-vertex limit in [%s], first at line %u", path);
    logProblem(report.missingNumbers, "Read missing numbers as 0 in %u record%s of [%s], first at line %u", path);
    logProblem(report.nonFiniteNumbers, "Read %u non-finite number%s as 0 in [%s], first at line %u", path);
}
