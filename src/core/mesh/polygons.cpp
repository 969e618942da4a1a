#include "core/mesh/polygons.h"

#include "core/mesh/numberScan.h"

#include <cstddef>

namespace {

// White space within a line; a newline ends the line, as a zero byte does.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool endsLine(char c)
{
    return c == '\0' || c == '\n';
}

bool canStartIndex(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+';
}

// Resolves a 1-based or negative (relative) index against `count` records read so far.
bool resolveIndex(int index, size_t count, uint32_t& record)
{
    if (index > 0 && size_t(index) <= count) {
        record = uint32_t(index - 1);
        return true;
    }
    if (index < 0 && size_t(-int64_t(index)) <= count) {
        record = uint32_t(int64_t(count) + index);
        return true;
    }
    return false;
}

enum class IndexResult { found, outOfRange, unparseable };

// Reads one index and resolves it. Returns the position after it (p itself when unparseable).
const char* scanRecordIndex(const char* p, size_t count, uint32_t& record, IndexResult& result)
{
    IndexScan status;
    int index = 0;
    const char* end = scanIndex(p, status, index);
    if (status == IndexScan::missing)
        result = IndexResult::unparseable;
    else if (status == IndexScan::ok && resolveIndex(index, count, record))
        result = IndexResult::found;
    else
        result = IndexResult::outOfRange;  // 0, past the records, or too large for an int
    return end;
}

// The texture or normal part of a corner, right after its '/': absent when out of range.
const char* scanOptionalPart(const char* p, size_t count, uint32_t& record, uint32_t& missing)
{
    IndexResult result = IndexResult::unparseable;
    if (canStartIndex(*p))
        p = scanRecordIndex(p, count, record, result);
    if (result == IndexResult::unparseable)
        return nullptr;
    if (result == IndexResult::outOfRange) {
        record = noRecord;
        ++missing;
    }
    return p;
}

// Reads one corner; nullptr when the face must be skipped.
const char* scanCorner(const char* p, const RecordCounts& counts, ObjCorner& corner, FaceProblems& problems)
{
    corner.texCoord = noRecord;
    corner.normal = noRecord;
    IndexResult result;
    p = scanRecordIndex(p, counts.positions, corner.position, result);
    if (result != IndexResult::found || *p != '/')
        return result == IndexResult::found ? p : nullptr;
    ++p;
    if (*p != '/') {
        p = scanOptionalPart(p, counts.texCoords, corner.texCoord, problems.missingTexCoords);
        if (!p || *p != '/')
            return p;
    }
    ++p;
    return scanOptionalPart(p, counts.normals, corner.normal, problems.missingNormals);
}

// A plain positive decimal of at most 9 digits right at p, not starting with 0 (an octal number
// to "%i"); nullptr otherwise.
inline const char* quickDecimal(const char* p, uint32_t& value)
{
    uint32_t v = uint32_t(*p - '1');
    if (v > 8)
        return nullptr;
    ++v;
    for (int n = 1; n < 9; ++n) {
        uint32_t digit = uint32_t(p[n] - '0');
        if (digit > 9) {
            value = v;
            return p + n;
        }
        v = v * 10 + digit;
    }
    return nullptr;
}

// The common corner, "v", "v/vt", "v//vn" or "v/vt/vn" of plain decimals each within its records,
// read on a short path; nullptr for anything else (signs, octal or hexadecimal numbers, indices
// out of range, text that does not parse), which scanCorner then reads from the start.
inline const char* quickCorner(const char* p, const RecordCounts& counts, ObjCorner& corner)
{
    uint32_t v, t, n;
    p = quickDecimal(p, v);
    if (!p || v > counts.positions)
        return nullptr;
    corner = ObjCorner{v - 1, noRecord, noRecord};
    if (*p != '/')
        return p;
    ++p;
    if (*p != '/') {
        p = quickDecimal(p, t);
        if (!p || t > counts.texCoords)
            return nullptr;
        corner.texCoord = t - 1;
        if (*p != '/')
            return p;
    }
    p = quickDecimal(p + 1, n);
    if (!p || n > counts.normals)
        return nullptr;
    corner.normal = n - 1;
    return p;
}

} // namespace

FaceScan scanFace(const char* p, const RecordCounts& counts, std::vector<ObjCorner>& polygon, FaceProblems& problems,
                  LineLook* look)
{
    polygon.clear();
    problems = FaceProblems{0, 0};
    for (;;) {
        while (isBlank(*p))
            ++p;
        if (endsLine(*p) || *p == '#')
            return polygon.size() >= 3 ? FaceScan::read : FaceScan::invalid;
        if (look && p >= look->at && !look->goOn(*look, p))
            return FaceScan::stopped;
        ObjCorner corner;
        const char* quick = quickCorner(p, counts, corner);
        p = quick ? quick : scanCorner(p, counts, corner, problems);
        if (!p || !(isBlank(*p) || endsLine(*p) || *p == '#'))
            return FaceScan::invalid;
        polygon.push_back(corner);
    }
}

void fanPolygon(const std::vector<ObjCorner>& polygon, size_t first, size_t count, GrowArray<ObjCorner>& corners)
{
    size_t end = first + count + 2 < polygon.size() ? first + count + 2 : polygon.size();
    for (size_t i = first + 1; i + 1 < end; ++i) {
        corners.push_back(polygon[0]);
        corners.push_back(polygon[i]);
        corners.push_back(polygon[i + 1]);
    }
}
