#include "core/mesh/plyReader.h"

#include "core/mesh/plyHeader.h"
#include "core/mesh/objRecords.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/textWords.h"
#include "core/mesh/weld.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the elements give, as they are read.
struct PlyData {
    std::vector<Vertex> vertices;
    std::vector<Vector3> colors;      // one per vertex, when the vertices have colors
    std::vector<uint32_t> corners;    // three vertex numbers per triangle, polygons fanned
    std::vector<PolygonRun> polygons; // the polygons of more than three corners
    uint64_t vertexCount = 0;         // the vertex element's, as declared: what indices may name
    bool normals = false, texCoords = false, colored = false, positions = false;
    ProblemTallies tallies;
};

// The roles an element's properties have: which of them it has.
void rolesOf(const PlyHeader& header, const PlyElement& element, bool* has)
{
    for (size_t role = 0; role < size_t(PlyRole::count); ++role)
        has[role] = false;
    for (size_t p = element.firstProperty; p < element.firstProperty + element.propertyCount; ++p)
        has[size_t(header.properties[p].role)] = true;
}

// Scales an integer color of `type` to 0..1 by the largest value of an unsigned of its size.
float colorOf(double value, PlyType type)
{
    if (isFloatType(type))
        return float(value);
    static const double largest[] = {1.0, 255.0, 255.0, 65535.0, 65535.0, 4294967295.0, 4294967295.0};
    double scaled = value / largest[size_t(type)];
    return float(scaled < 0.0 ? 0.0 : scaled);
}

// The vertex being read: a value for each role.
struct VertexValues {
    double of[size_t(PlyRole::count)];
};

// Where a vertex's values go, once read and made finite.
void storeVertex(const VertexValues& values, const PlyType* types, PlyData& data)
{
    const double* v = values.of;
    Vertex vertex;
    set(vertex.position, float(v[size_t(PlyRole::x)]), float(v[size_t(PlyRole::y)]), float(v[size_t(PlyRole::z)]));
    vertex.texCoord = Vector2{float(v[size_t(PlyRole::u)]), float(v[size_t(PlyRole::v)])};
    set(vertex.normal, float(v[size_t(PlyRole::nx)]), float(v[size_t(PlyRole::ny)]), float(v[size_t(PlyRole::nz)]));
    if (!data.normals)
        set(vertex.normal, 0.0f, 0.0f, 0.0f);
    if (!data.texCoords)
        vertex.texCoord = Vector2{0.0f, 0.0f};
    data.vertices.push_back(vertex);
    if (data.colored)
        data.colors.push_back(Vector3{colorOf(v[size_t(PlyRole::red)], types[size_t(PlyRole::red)]),
                                      colorOf(v[size_t(PlyRole::green)], types[size_t(PlyRole::green)]),
                                      colorOf(v[size_t(PlyRole::blue)], types[size_t(PlyRole::blue)])});
}

// A value stored as a float: non-finite ones (nan, inf, and doubles beyond a float) read as 0.
// False when it was not finite.
bool finiteAsFloat(double& value)
{
    float f = float(value);
    if (std::isfinite(f))
        return true;
    value = 0.0;
    return false;
}

// The faces of a polygon of `count` vertex numbers, fanned from the first, appended to the data.
void addPolygon(PlyData& data, const uint32_t* numbers, size_t count)
{
    if (count > 3) {
        uint32_t first = uint32_t(data.corners.size() / 3);
        data.polygons.push_back(PolygonRun{first, uint32_t(count - 2)});
    }
    for (size_t i = 2; i < count; ++i) {
        data.corners.push_back(numbers[0]);
        data.corners.push_back(numbers[i - 1]);
        data.corners.push_back(numbers[i]);
    }
}

// How the reading of an element ended.
enum class ElementEnd : uint8_t {
    whole,    // every instance read
    ended,    // the file ends first (or a list's count needs more bytes than it has left)
    broken,   // a list's count is no count (negative or fractional): where the data goes on is lost
    stopped,  // by the progress
};

// ---- binary data

struct BinaryReading {
    const unsigned char* data;
    size_t size;
    size_t at;
    bool big;  // big-endian numbers
    ProgressLook look;
};

uint64_t loadBits(const unsigned char* p, size_t bytes, bool big)
{
    uint64_t bits = 0;
    if (big)
        for (size_t i = 0; i < bytes; ++i)
            bits = bits << 8 | p[i];
    else
        for (size_t i = bytes; i-- > 0;)
            bits = bits << 8 | p[i];
    return bits;
}

// The four bytes at p as a number, stored big- or little-endian; the bytes must be there.
uint32_t load32(const unsigned char* p, bool big)
{
    if (big)
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
}

// The value of `type` at p; the bytes must be there.
double binaryValue(const unsigned char* p, PlyType type, bool big)
{
    uint64_t bits = loadBits(p, typeSize(type), big);
    switch (type) {
    case PlyType::int8: return double(int8_t(uint8_t(bits)));
    case PlyType::uint8: return double(uint8_t(bits));
    case PlyType::int16: return double(int16_t(uint16_t(bits)));
    case PlyType::uint16: return double(uint16_t(bits));
    case PlyType::int32: return double(int32_t(uint32_t(bits)));
    case PlyType::uint32: return double(uint32_t(bits));
    case PlyType::float32: {
        uint32_t word = uint32_t(bits);
        float f;
        memcpy(&f, &word, sizeof(f));
        return double(f);
    }
    case PlyType::float64: {
        double d;
        memcpy(&d, &bits, sizeof(d));
        return d;
    }
    case PlyType::none: break;
    }
    return 0.0;
}

// A list's count at the reading's place, its items' bytes in the file after it; else `end` says
// why not, and the reading cannot go on past it.
bool readListCount(BinaryReading& r, const PlyProperty& property, uint64_t& count, ElementEnd& end)
{
    size_t countSize = typeSize(property.countType);
    end = ElementEnd::ended;
    if (r.size - r.at < countSize)
        return false;
    double value = binaryValue(r.data + r.at, property.countType, r.big);
    if (!(value >= 0.0 && value < 4294967296.0) || value != std::floor(value)) {
        end = ElementEnd::broken;
        return false;
    }
    count = uint64_t(value);
    if (count > (r.size - r.at - countSize) / typeSize(property.type))
        return false;
    r.at += countSize;
    return true;
}

// The largest vertex number a face may name, plus one: the vertices declared, as far as 32-bit
// numbers reach.
uint64_t vertexNumberLimit(uint64_t vertexCount)
{
    return vertexCount < 0xFFFFFFFFull ? vertexCount : 0xFFFFFFFFull;
}

// A vertex number, read as a double: false when it is not a whole number below `limit`.
bool vertexNumber(double value, uint64_t limit, uint32_t& number)
{
    if (!(value >= 0.0 && value < double(limit)) || value != std::floor(value))
        return false;
    number = uint32_t(value);
    return true;
}

// True when every property of the element is a float, none a list: its vertices are read whole
// (readFloatVertex).
bool allScalarFloats(const PlyProperty* properties, size_t count)
{
    for (size_t p = 0; p < count; ++p)
        if (properties[p].countType != PlyType::none || properties[p].type != PlyType::float32)
            return false;
    return true;
}

// True when the element is one list of 32-bit vertex numbers counted by a byte: its triangles are
// read whole (readTriangle).
bool isTriangleList(const PlyElement& element, const PlyProperty* properties)
{
    if (element.kind != PlyElementKind::face || element.propertyCount != 1)
        return false;
    const PlyProperty& list = properties[0];
    return list.role == PlyRole::indices && list.countType == PlyType::uint8 &&
           (list.type == PlyType::int32 || list.type == PlyType::uint32);
}

// Reads a vertex of float properties alone (allScalarFloats) into `values` as the general reading
// does, non-finite numbers of a role read as 0 and noticed at their byte; false, with nothing read, when
// the file holds less than the whole vertex.
bool readFloatVertex(BinaryReading& r, const PlyProperty* properties, size_t count, VertexValues& values,
                     PlyData& data)
{
    if (r.size - r.at < 4 * count)
        return false;
    for (size_t p = 0; p < count; ++p) {
        if (properties[p].role == PlyRole::none)
            continue;
        uint32_t bits = load32(r.data + r.at + 4 * p, r.big);
        float f;
        memcpy(&f, &bits, sizeof(f));
        if (!std::isfinite(f)) {
            notice(data.tallies[ProblemKind::nonFiniteAtByte], r.at + 4 * p);
            f = 0.0f;
        }
        values.of[size_t(properties[p].role)] = double(f);
    }
    r.at += 4 * count;
    return true;
}

// Reads a face of three vertex numbers (isTriangleList) as the general reading does: added when
// each is below `limit`, else noticed as invalid. False, with nothing read, for another count or
// when the file holds less than the whole face.
bool readTriangle(BinaryReading& r, const PlyProperty& list, uint64_t limit, uint64_t face, PlyData& data)
{
    if (r.size - r.at < 13 || r.data[r.at] != 3)
        return false;
    uint32_t numbers[3];
    bool valid = true;
    for (int i = 0; i < 3; ++i) {
        uint32_t bits = load32(r.data + r.at + 1 + 4 * i, r.big);
        bool negative = list.type == PlyType::int32 && int32_t(bits) < 0;
        valid = valid && !negative && bits < limit;
        numbers[i] = bits;
    }
    if (valid)
        addPolygon(data, numbers, 3);
    else
        notice(data.tallies[ProblemKind::invalidFacesAtFace], face);
    r.at += 13;
    return true;
}

// Reads the instances of one element; `read` counts those read whole.
ElementEnd readBinaryElement(BinaryReading& r, const PlyHeader& header, const PlyElement& element, PlyData& data,
                       uint64_t& read, std::vector<uint32_t>& numbers)
{
    const PlyProperty* properties = header.properties.data() + element.firstProperty;
    VertexValues values = {};
    PlyType types[size_t(PlyRole::count)] = {};
    for (size_t p = 0; p < element.propertyCount; ++p)
        types[size_t(properties[p].role)] = properties[p].type;
    uint64_t limit = vertexNumberLimit(data.vertexCount);
    bool floatVertices = element.kind == PlyElementKind::vertex && allScalarFloats(properties, element.propertyCount);
    bool triangles = isTriangleList(element, properties);
    for (read = 0; read < element.count; ++read) {
        if (!goOnAt(r.look, r.at))
            return ElementEnd::stopped;
        if (floatVertices && readFloatVertex(r, properties, element.propertyCount, values, data)) {
            storeVertex(values, types, data);
            continue;
        }
        if (triangles && readTriangle(r, properties[0], limit, read + 1, data))
            continue;
        bool faceRead = false, faceValid = false;
        size_t faceCorners = 0;
        for (size_t p = 0; p < element.propertyCount; ++p) {
            const PlyProperty& property = properties[p];
            size_t itemSize = typeSize(property.type);
            if (property.countType == PlyType::none) {
                if (r.size - r.at < itemSize)
                    return ElementEnd::ended;
                if (property.role != PlyRole::none) {
                    double& value = values.of[size_t(property.role)];
                    value = binaryValue(r.data + r.at, property.type, r.big);
                    if (!finiteAsFloat(value))
                        notice(data.tallies[ProblemKind::nonFiniteAtByte], r.at);
                }
                r.at += itemSize;
                continue;
            }
            uint64_t count = 0;
            ElementEnd end;
            if (!readListCount(r, property, count, end))
                return end;
            if (property.role == PlyRole::indices && !faceRead) {
                faceRead = true;
                faceValid = count >= 3;
                numbers.resize(size_t(count));
                for (size_t i = 0; i < count && faceValid; ++i)
                    faceValid = vertexNumber(binaryValue(r.data + r.at + i * itemSize, property.type, r.big),
                                             limit, numbers[i]);
                faceCorners = size_t(count);
            }
            r.at += size_t(count) * itemSize;
        }
        if (element.kind == PlyElementKind::vertex) {
            storeVertex(values, types, data);
        } else if (element.kind == PlyElementKind::face && faceRead) {
            if (faceValid)
                addPolygon(data, numbers.data(), faceCorners);
            else
                notice(data.tallies[ProblemKind::invalidFacesAtFace], read + 1);
        }
    }
    return ElementEnd::whole;
}

// ---- ASCII data

struct AsciiReading {
    const unsigned char* data;
    size_t size;
    size_t at;
    uint64_t line;  // the number of the line before `at`
    ProgressLook look;
};

// A whole number of the text, with an optional sign, of at most 18 digits.
bool wordInteger(const unsigned char* word, size_t length, int64_t& value)
{
    bool negative = length > 0 && word[0] == '-';
    size_t start = length > 0 && (word[0] == '-' || word[0] == '+') ? 1 : 0;
    if (length == start || length - start > 18)
        return false;
    int64_t magnitude = 0;
    for (size_t i = start; i < length; ++i) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        magnitude = magnitude * 10 + (word[i] - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// The next line holding anything: false at the end of the text.
bool nextDataLine(AsciiReading& r, Words& words)
{
    while (r.at < r.size) {
        TextLine line = lineAt(r.data, r.size, r.at);
        r.at = line.next;
        ++r.line;
        words = Words{r.data + line.begin, r.data + line.end};
        Words look = words;
        const unsigned char* word;
        size_t length;
        if (nextWord(look, word, length))
            return true;
    }
    return false;
}

// Reads the instances of one element, a line each; `read` counts those read.
ElementEnd readAsciiElement(AsciiReading& r, const PlyHeader& header, const PlyElement& element, PlyData& data,
                      uint64_t& read, std::vector<uint32_t>& numbers)
{
    const PlyProperty* properties = header.properties.data() + element.firstProperty;
    PlyType types[size_t(PlyRole::count)] = {};
    for (size_t p = 0; p < element.propertyCount; ++p)
        types[size_t(properties[p].role)] = properties[p].type;
    bool interesting = element.kind != PlyElementKind::other;
    uint64_t limit = vertexNumberLimit(data.vertexCount);
    for (read = 0; read < element.count; ++read) {
        if (!goOnAt(r.look, r.at))
            return ElementEnd::stopped;
        Words words;
        if (!nextDataLine(r, words))
            return ElementEnd::ended;
        if (!interesting)
            continue;
        VertexValues values = {};
        bool missing = false, faceRead = false, faceValid = false;
        size_t faceCorners = 0;
        const unsigned char* word;
        size_t length;
        for (size_t p = 0; p < element.propertyCount; ++p) {
            const PlyProperty& property = properties[p];
            if (property.countType == PlyType::none) {
                float value = 0.0f;
                if (!nextWord(words, word, length) || !wordFloat(word, length, value)) {
                    missing = true;
                    value = 0.0f;
                } else if (!std::isfinite(value) && property.role != PlyRole::none) {
                    notice(data.tallies[ProblemKind::nonFiniteNumbers], r.line);
                    value = 0.0f;
                }
                if (property.role != PlyRole::none)
                    values.of[size_t(property.role)] = double(value);
                continue;
            }
            int64_t count = 0;
            bool counted = nextWord(words, word, length) && wordInteger(word, length, count) && count >= 0;
            bool indices = property.role == PlyRole::indices && !faceRead;
            if (indices) {
                faceRead = true;
                faceValid = counted && count >= 3;
            }
            if (!counted) {
                missing = missing || !indices;
                break;  // where the properties after it are is lost
            }
            bool whole = true;
            for (int64_t i = 0; i < count && whole; ++i) {
                whole = nextWord(words, word, length);
                if (!indices || !faceValid)
                    continue;
                int64_t number = -1;
                faceValid = whole && wordInteger(word, length, number) && number >= 0 &&
                            uint64_t(number) < limit;
                if (faceValid) {
                    if (numbers.size() <= size_t(i))
                        numbers.resize(size_t(i) + 1);
                    numbers[size_t(i)] = uint32_t(number);
                }
            }
            if (indices)
                faceCorners = size_t(count);
            if (!whole) {
                missing = missing || !indices;
                break;
            }
        }
        if (missing)
            notice(data.tallies[ProblemKind::missingNumbers], r.line);
        if (element.kind == PlyElementKind::vertex) {
            storeVertex(values, types, data);
        } else if (faceRead) {
            if (faceValid)
                addPolygon(data, numbers.data(), faceCorners);
            else
                notice(data.tallies[ProblemKind::invalidFaces], r.line);
        }
    }
    return ElementEnd::whole;
}

// ---- the whole

// Gets the data ready for an element: what its vertices have, room for what the rest of the
// file can hold of it (no more, whatever its count says).
void prepareElement(const PlyHeader& header, const PlyElement& element, size_t bytesLeft, PlyData& data)
{
    // the fewest bytes an instance can take: a byte per value and list count in binary, or a
    // character and a separator in ASCII
    size_t fewest = 0;
    for (size_t p = element.firstProperty; p < element.firstProperty + element.propertyCount; ++p) {
        const PlyProperty& property = header.properties[p];
        size_t bytes = typeSize(property.countType == PlyType::none ? property.type : property.countType);
        fewest += header.format == PlyFormat::ascii ? 2 : bytes;
    }
    // room for a count the bytes can hold; for any other, the arrays grow as the data comes
    uint64_t fits = fewest == 0 ? 0 : bytesLeft / fewest + 1;
    size_t room = size_t(element.count <= fits ? element.count : 0);
    if (element.kind == PlyElementKind::vertex) {
        bool has[size_t(PlyRole::count)];
        rolesOf(header, element, has);
        data.positions = has[size_t(PlyRole::x)] && has[size_t(PlyRole::y)] && has[size_t(PlyRole::z)];
        data.normals = has[size_t(PlyRole::nx)] && has[size_t(PlyRole::ny)] && has[size_t(PlyRole::nz)];
        data.texCoords = has[size_t(PlyRole::u)] && has[size_t(PlyRole::v)];
        data.colored = has[size_t(PlyRole::red)] && has[size_t(PlyRole::green)] && has[size_t(PlyRole::blue)];
        data.vertices.reserve(room);
        if (data.colored)
            data.colors.reserve(room);
    } else if (element.kind == PlyElementKind::face) {
        data.corners.reserve(3 * room);
    }
}

// Reads the elements the header declares, in order, into `data`; a file that ends or breaks
// before their end is told. False when the progress stopped it.
bool readElements(const unsigned char* bytes, size_t size, const PlyHeader& header, PlyData& data,
                  ProblemList& problems, const ReadProgress& progress)
{
    for (const PlyElement& element : header.elements)
        if (element.kind == PlyElementKind::vertex)
            data.vertexCount = element.count;
    std::vector<uint32_t> numbers;  // a face's vertex numbers
    ProgressLook look = {&progress, progressEvery};
    BinaryReading binary = {bytes, size, header.dataStart, header.format == PlyFormat::binaryBig, look};
    AsciiReading ascii = {bytes, size, header.dataStart, header.lines, look};
    bool isAscii = header.format == PlyFormat::ascii;
    for (const PlyElement& element : header.elements) {
        if (element.holdsFaces && element.count > 0)
            noticeProblem(problems, ProblemKind::undrawnFaces, element.name, std::string(), 0);
        if (element.propertyCount == 0)
            continue;  // no bytes an instance: however many, they are passed over at once
        size_t at = isAscii ? ascii.at : binary.at;
        prepareElement(header, element, size - at, data);
        uint64_t read = 0;
        ElementEnd end = isAscii ? readAsciiElement(ascii, header, element, data, read, numbers)
                                 : readBinaryElement(binary, header, element, data, read, numbers);
        if (end == ElementEnd::stopped)
            return false;
        if (end == ElementEnd::whole)
            continue;
        std::string what = isAscii                       ? "it ends at line " + std::to_string(ascii.line)
                           : end == ElementEnd::ended ? "it ends at byte " + std::to_string(size)
                                                      : "a list count that is none at byte " + std::to_string(binary.at);
        noticeProblem(problems, ProblemKind::readInPart,
                      what + ", after " + std::to_string(read) + " of its " + std::to_string(element.count) + " " +
                          element.name + " elements",
                      std::string(), 0);
        return true;
    }
    // what follows the last element, but for white space after text
    size_t end = isAscii ? ascii.at : binary.at;
    if (isAscii)
        while (end < size && (isBlank(bytes[end]) || bytes[end] == '\n' || bytes[end] == '\r'))
            ++end;
    if (header.sound && end < size) {
        uint64_t left = size - end;
        noticeSome(data.tallies[ProblemKind::trailingBytes], end, left > UINT32_MAX ? UINT32_MAX : uint32_t(left));
    }
    return true;
}

// Drops the faces that name a vertex past those read (a file cut short in its vertices after
// its faces), with their polygon runs.
void dropFacesPast(PlyData& data)
{
    size_t count = data.vertices.size();
    std::vector<uint32_t> corners;
    std::vector<PolygonRun> polygons;
    size_t next = 0, triangles = data.corners.size() / 3;
    for (size_t t = 0, n; t < triangles; t += n) {
        bool polygon = next < data.polygons.size() && data.polygons[next].firstTriangle == t;
        n = polygon ? data.polygons[next++].triangles : 1;
        bool kept = true;
        for (size_t i = 3 * t; i < 3 * (t + n); ++i)
            kept = kept && data.corners[i] < count;
        if (!kept)
            continue;
        if (polygon)
            polygons.push_back(PolygonRun{uint32_t(corners.size() / 3), uint32_t(n)});
        corners.insert(corners.end(), data.corners.begin() + ptrdiff_t(3 * t), data.corners.begin() + ptrdiff_t(3 * (t + n)));
    }
    data.corners.swap(corners);
    data.polygons.swap(polygons);
}

// Gives points without normals the direction from the middle of their bounds to each, so that a
// scan's cloud is lit as a rounded body would be: a unit vector in double rounded to float, and
// (0, 0, 1) for a point at the middle itself.
void pointAwayFromTheMiddle(std::vector<Vertex>& points)
{
    if (points.empty())
        return;
    Vector3 low = points[0].position, high = points[0].position;
    for (const Vertex& p : points)
        for (int k = 0; k < 3; ++k) {
            (&low.x)[k] = std::min((&low.x)[k], (&p.position.x)[k]);
            (&high.x)[k] = std::max((&high.x)[k], (&p.position.x)[k]);
        }
    double middle[3];
    for (int k = 0; k < 3; ++k)
        middle[k] = 0.5 * (double((&low.x)[k]) + double((&high.x)[k]));
    for (Vertex& p : points) {
        double d[3], length = 0.0;
        for (int k = 0; k < 3; ++k) {
            d[k] = double((&p.position.x)[k]) - middle[k];
            length += d[k] * d[k];
        }
        length = std::sqrt(length);
        if (length > 0.0 && std::isfinite(length))
            set(p.normal, float(d[0] / length), float(d[1] / length), float(d[2] / length));
        else
            set(p.normal, 0.0f, 0.0f, 1.0f);
    }
}

// The vertices the triangles use, in order of first use, and the triangles renumbered so: the
// welded mesh batchWeldedTriangles takes. Takes the data's vertices, colors and corners.
void keepUsedVertices(PlyData& data, WeldedMesh& out)
{
    const uint32_t unused = 0xFFFFFFFFu;
    std::vector<uint32_t> number(data.vertices.size(), unused);
    bool colored = !data.colors.empty();
    // room for the copies the batches make at their borders, taken only as they are made
    out.vertices.reserve(data.corners.size());
    if (colored)
        out.colors.reserve(data.corners.size());
    for (uint32_t& corner : data.corners) {
        uint32_t& n = number[corner];
        if (n == unused) {
            n = uint32_t(out.vertices.size());
            out.vertices.push_back(data.vertices[corner]);
            if (colored)
                out.colors.push_back(data.colors[corner]);
        }
        corner = n;
    }
    data.vertices = std::vector<Vertex>();
    data.colors = std::vector<Vector3>();
    out.indices = std::move(data.corners);
}

} // namespace

bool hasPlySignature(const unsigned char* first, size_t count, uint64_t /*fileSize*/)
{
    return count >= 4 && memcmp(first, "ply", 3) == 0 && (first[3] == '\n' || first[3] == '\r');
}

bool readPlyBytes(const unsigned char* bytes, size_t size, Mesh& out, ProblemList& problems,
                  const ReadProgress& progress)
{
    out = Mesh();
    PlyHeader header;
    PlyData data;
    ProblemList found;
    bool headerRead = size > 0 && readPlyHeader(bytes, size, header, found);
    if (headerRead && !readElements(bytes, size, header, data, found, progress))
        return false;
    if (size == 0)
        noticeHeaderFault(found, "no ply line at its start");
    if (!headerRead)
        header.elements.clear();
    ProgressLook end = {&progress, 0};
    if (!goOnAt(end, size))
        return false;
    bool vertexElement = false;
    for (const PlyElement& element : header.elements)
        vertexElement = vertexElement || element.kind == PlyElementKind::vertex;
    if (vertexElement && !data.positions) {
        noticeHeaderFault(found, "its vertices have no x, y and z");
        data.vertices = std::vector<Vertex>();
        data.colors = std::vector<Vector3>();
    }
    if (data.vertices.size() < data.vertexCount)
        dropFacesPast(data);
    if (data.corners.empty()) {
        data.polygons = std::vector<PolygonRun>();
        if (!data.normals)
            pointAwayFromTheMiddle(data.vertices);
        batchPoints(data.vertices, data.colors, out);
    } else {
        if (!data.normals)
            smoothIndexedNormals(data.vertices, data.colors, data.corners, data.polygons);
        data.polygons = std::vector<PolygonRun>();
        if (!goOnAt(end, size)) {
            out = Mesh();
            return false;
        }
        WeldedMesh welded;
        keepUsedVertices(data, welded);
        batchWeldedTriangles(welded, out);
    }
    addTalliesToList(found, data.tallies, std::string());
    appendProblems(problems, found);
    return true;
}

FileStatus readPlyFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    return readModelBytesFile(path, out, problems, cancel, readPlyBytes);
}
