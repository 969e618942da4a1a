#include "core/mesh/stlReader.h"

#include "core/mesh/textWords.h"
#include "core/mesh/flatWeld.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr size_t headerBytes = 84;  // 80 bytes of anything, then the facet count
constexpr size_t facetBytes = 50;   // a normal, three corners, two attribute bytes

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Facets handed to the weld at a time: enough for it to work some ahead, few enough to stay in
// the cache.
constexpr size_t facetsPerPart = 1024;

// The facets read, welded a part at a time.
struct StlWelding {
    FlatWelding welding;
    Vector3 part[3 * facetsPerPart];
    size_t partFacets = 0;
};

void startStlWelding(StlWelding& w, size_t expectedFacets)
{
    startFlatWelding(w.welding, expectedFacets);
    w.partFacets = 0;
}

void addTriangle(StlWelding& w, const Vector3& a, const Vector3& b, const Vector3& c)
{
    Vector3* corners = w.part + 3 * w.partFacets;
    corners[0] = a;
    corners[1] = b;
    corners[2] = c;
    if (++w.partFacets == facetsPerPart) {
        weldFlatTriangles(w.welding, w.part, w.partFacets);
        w.partFacets = 0;
    }
}

// The welded facets, in batches, into `out`.
void finishWelding(StlWelding& w, Mesh& out)
{
    weldFlatTriangles(w.welding, w.part, w.partFacets);
    WeldedMesh welded = finishFlatWelding(w.welding);
    batchWeldedTriangles(welded, out);
}

// ---- binary

// The corner at p: three little-endian floats, each non-finite one read as 0 and counted.
Vector3 binaryCorner(const unsigned char* bytes, size_t at, ProblemTallies& tallies)
{
    float xyz[3];
    for (int i = 0; i < 3; ++i) {
        uint32_t bits = littleEndian32(bytes + at + 4 * i);
        memcpy(&xyz[i], &bits, sizeof(float));
        if (!std::isfinite(xyz[i])) {
            notice(tallies[ProblemKind::nonFiniteAtByte], at + 4 * i);
            xyz[i] = 0.0f;
        }
    }
    return Vector3{xyz[0], xyz[1], xyz[2]};
}

bool readBinaryStl(const unsigned char* bytes, size_t size, Mesh& out, ProblemList& problems, ProblemTallies& tallies,
                   const ReadProgress& progress)
{
    if (size < headerBytes) {
        noticeProblem(problems, ProblemKind::readInPart,
                      "it ends at byte " + std::to_string(size) + ", before its count of facets", std::string(), 0);
        ProgressLook end = {&progress, 0};
        return goOnAt(end, size);
    }
    uint64_t declared = littleEndian32(bytes + 80);
    uint64_t whole = (size - headerBytes) / facetBytes;
    uint64_t count = declared < whole ? declared : whole;
    if (declared > whole) {
        noticeProblem(problems, ProblemKind::readInPart,
                      "it ends at byte " + std::to_string(size) + ", after " + std::to_string(whole) + " of its " +
                          std::to_string(declared) + " facets",
                      std::string(), 0);
    } else if (size > headerBytes + declared * facetBytes) {
        uint64_t left = size - (headerBytes + declared * facetBytes);
        noticeSome(tallies[ProblemKind::trailingBytes], headerBytes + declared * facetBytes,
                   left > UINT32_MAX ? UINT32_MAX : uint32_t(left));
    }
    std::unique_ptr<StlWelding> welding(new StlWelding);
    startStlWelding(*welding, size_t(count));
    ProgressLook look = {&progress, progressEvery};
    for (uint64_t facet = 0; facet < count; ++facet) {
        size_t at = headerBytes + size_t(facet) * facetBytes;
        if (!goOnAt(look, at))
            return false;
        // the stored normal, bytes 0 to 11, is not read: the facet is shaded by its corners
        Vector3 a = binaryCorner(bytes, at + 12, tallies);
        Vector3 b = binaryCorner(bytes, at + 24, tallies);
        Vector3 c = binaryCorner(bytes, at + 36, tallies);
        addTriangle(*welding, a, b, c);
    }
    ProgressLook end = {&progress, 0};
    if (!goOnAt(end, size))
        return false;
    finishWelding(*welding, out);
    return true;
}

// ---- ASCII

// The facet being read: its corners so far, fanned as they come.
struct AsciiFacet {
    bool open = false;
    uint32_t corners = 0;
    Vector3 first, previous;
    uint64_t line = 0;  // where it starts
};

void closeFacet(AsciiFacet& facet, ProblemTallies& tallies)
{
    if (facet.open && facet.corners < 3)
        notice(tallies[ProblemKind::shortFacets], facet.line);
    facet.open = false;
}

void openFacet(AsciiFacet& facet, uint64_t line, ProblemTallies& tallies)
{
    closeFacet(facet, tallies);
    facet = AsciiFacet();
    facet.open = true;
    facet.line = line;
}

// A vertex line's corner: three numbers, missing ones and non-finite ones read as 0 and counted.
Vector3 asciiCorner(Words words, uint64_t line, ProblemTallies& tallies)
{
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    bool missing = false;
    for (float& value : xyz) {
        const unsigned char* word;
        size_t length;
        if (!nextWord(words, word, length) || !wordFloat(word, length, value)) {
            missing = true;
            value = 0.0f;
        } else if (!std::isfinite(value)) {
            notice(tallies[ProblemKind::nonFiniteNumbers], line);
            value = 0.0f;
        }
    }
    if (missing)
        notice(tallies[ProblemKind::missingNumbers], line);
    return Vector3{xyz[0], xyz[1], xyz[2]};
}

bool readAsciiStl(const unsigned char* bytes, size_t size, Mesh& out, ProblemList& problems, ProblemTallies& tallies,
                  const ReadProgress& progress)
{
    std::unique_ptr<StlWelding> welding(new StlWelding);
    startStlWelding(*welding, size / 256);  // some 256 bytes of text a facet
    ProgressLook look = {&progress, progressEvery};
    AsciiFacet facet;
    bool inSolid = false;
    uint64_t line = 0;
    for (size_t at = 0; at < size;) {
        if (!goOnAt(look, at))
            return false;
        TextLine text = lineAt(bytes, size, at);
        at = text.next;
        ++line;
        Words words = wordsOf(bytes, text);
        const unsigned char* word;
        size_t length;
        if (!nextWord(words, word, length))
            continue;
        if (wordIs(word, length, "vertex")) {
            if (!facet.open)
                openFacet(facet, line, tallies);  // a corner outside any facet starts one
            Vector3 corner = asciiCorner(words, line, tallies);
            if (++facet.corners == 1)
                facet.first = corner;
            else if (facet.corners >= 3)
                addTriangle(*welding, facet.first, facet.previous, corner);
            facet.previous = corner;
        } else if (wordIs(word, length, "facet")) {
            openFacet(facet, line, tallies);  // its normal is not read
            inSolid = true;
        } else if (wordIs(word, length, "endfacet")) {
            closeFacet(facet, tallies);
        } else if (wordIs(word, length, "solid")) {
            closeFacet(facet, tallies);
            inSolid = true;
        } else if (wordIs(word, length, "endsolid")) {
            closeFacet(facet, tallies);
            inSolid = false;
        } else if (!wordIs(word, length, "outer") && !wordIs(word, length, "endloop")) {
            noticeIgnoredWord(problems, word, length, line);
        }
    }
    if (facet.open || inSolid)
        noticeProblem(problems, ProblemKind::readInPart,
                      "it ends at line " + std::to_string(line) + (facet.open ? ", inside a facet" : ", without endsolid"),
                      std::string(), 0);
    ProgressLook end = {&progress, 0};
    if (!goOnAt(end, size))
        return false;
    finishWelding(*welding, out);
    return true;
}

// True when the first KB of the bytes is text: no control bytes but white space.
bool startsAsText(const unsigned char* bytes, size_t size)
{
    size_t first = size < 1024 ? size : 1024;
    for (size_t i = 0; i < first; ++i) {
        unsigned char c = bytes[i];
        if (c < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f')
            return false;
    }
    return true;
}

} // namespace

bool hasBinaryStlSignature(const unsigned char* first, size_t count, uint64_t fileSize)
{
    return count >= headerBytes && fileSize == headerBytes + uint64_t(littleEndian32(first + 80)) * facetBytes;
}

bool readStlBytes(const unsigned char* bytes, size_t size, Mesh& out, ProblemList& problems,
                  const ReadProgress& progress)
{
    out = Mesh();
    ProblemList found;
    ProblemTallies tallies;
    bool binary = hasBinaryStlSignature(bytes, size, size) || !startsAsText(bytes, size);
    bool whole = binary ? readBinaryStl(bytes, size, out, found, tallies, progress)
                        : readAsciiStl(bytes, size, out, found, tallies, progress);
    if (!whole) {
        out = Mesh();
        return false;
    }
    addTalliesToList(found, tallies, std::string());
    appendProblems(problems, found);
    return true;
}

FileStatus readStlFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    return readModelBytesFile(path, out, problems, cancel, readStlBytes);
}
