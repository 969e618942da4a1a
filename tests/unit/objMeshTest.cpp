#include "core/mesh/groupSums.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/objParse.h"
#include "support/captureStdout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

namespace {

ObjMesh read(const std::string& text)
{
    ObjMesh mesh;
    readObjText(text.data(), text.size(), mesh);
    return mesh;
}

std::vector<uint16_t> indices(std::initializer_list<uint16_t> list)
{
    return std::vector<uint16_t>(list);
}

const char* fourCorners =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
    "vt 0 0\nvt 1 0\nvt 0 1\nvt 1 1\n"
    "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";

bool clean(const ProblemTallies& problems)
{
    return noProblems(problems);
}

// The vertex each corner is drawn with, in file order, across batches.
std::vector<Vertex> drawnCorners(const ObjMesh& read)
{
    const Mesh& mesh = read.mesh;
    std::vector<Vertex> corners;
    for (const MeshBatch& batch : mesh.batches)
        for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i)
            corners.push_back(mesh.vertices[batch.firstVertex + mesh.indices[i]]);
    return corners;
}

// The same items, bit for bit.
template <typename Array>
bool sameItems(const Array& a, const Array& b)
{
    return a.size() == b.size() && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0);
}

void expectNormal(const Vertex& v, float x, float y, float z)
{
    EXPECT_EQ(v.normal.x, x);
    EXPECT_EQ(v.normal.y, y);
    EXPECT_EQ(v.normal.z, z);
}

} // namespace

TEST(ObjReader, SharedEdgeWeldsToFourVertices)
{
    ObjMesh mesh = read(std::string(fourCorners) + "f 1/1/1 2/2/2 3/3/3\nf 3/3/3 2/2/2 4/4/4\n");
    EXPECT_EQ(mesh.mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(mesh.mesh.vertices[3].position.x, 1.0f);
    EXPECT_EQ(mesh.mesh.vertices[3].texCoord.y, 1.0f);
    EXPECT_EQ(mesh.mesh.vertices[3].normal.z, 1.0f);
    EXPECT_TRUE(clean(mesh.problems));
}

TEST(ObjReader, HardEdgeKeepsVerticesApart)
{
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nvn 1 0 0\n"
                        "f 1/1/1 2/1/1 3/1/1\nf 1/1/2 2/1/2 3/1/2\n");
    EXPECT_EQ(mesh.mesh.vertices.size(), 6u);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 3, 4, 5}));
}

TEST(ObjReader, WeldsAcrossRecordsWithinTolerance)
{
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1.000009 0.000009 -0.00001\nvt 0.5 0.5\nvt 0.500009 0.5\n"
                        "vn 0 0 1\nvn 0.00001 0 1\n"
                        "f 1/1/1 2/1/1 3/1/1\nf 3/1/1 4/2/2 1/1/1\nf 1/1/1 4/1/1 3/1/1\n");
    EXPECT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 2, 1, 0, 0, 1, 2}));
    // just past the tolerance stays apart
    mesh = read("v 0 0 0\nv 0.0000101 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 1/1/1\n");
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 0}));
}

TEST(ObjReader, PolygonsBecomeFans)
{
    ObjMesh mesh = read(std::string(fourCorners) + "f 1/1/1 2/2/2 4/4/4 3/3/3\n");
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(mesh.mesh.vertices[3].position.y, 1.0f);
    EXPECT_EQ(mesh.mesh.vertices[3].position.x, 0.0f);
    // six corners, four triangles; a comment ends the corners
    mesh = read(std::string(fourCorners) + "v 2 2 0\nv 3 3 0\nf 1//1 2//1 3//1 4//1 5//1 6//1 # hexagon\n");
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5}));
    EXPECT_TRUE(clean(mesh.problems));
}

TEST(ObjReader, ContinuedLinesJoin)
{
    const std::string records = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\n";  // lines 1-5
    for (const char* quad : {"f 1//1 2//1 \\\n3//1 4//1\n", "f 1//1 2//1\\\r\n3//1 4//1\r\n",
                             "f 1//1 \\\n2//1 \\\n3//1 \\\n4//1\n"}) {
        ObjMesh mesh = read(records + quad + "f 1//1 2//1 9//1\n");
        EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 0, 2, 3})) << quad;
        // the bad face after the continued line is on the line after it
        size_t lines = std::count(quad, quad + strlen(quad), '\n');
        EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].firstAt, 6 + lines) << quad;
    }
    // a bad continued face is reported at its first line
    ObjMesh mesh = read(records + "f 1//1 \\\n0//1 3//1\n");
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].firstAt, 6u);
    // a zero byte hides the backslash
    std::string zero = records + "f 1//1 2//1 3//1 \\";
    zero.insert(zero.size() - 1, 1, '\0');
    mesh = read(zero + "\n4//1 1//1 2//1\n");
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2}));
    // a line of exactly 1023 characters with its backslash and newline still goes on
    mesh = read(records + "f 1//1 2//1 3//1" + std::string(1005, ' ') + "\\\n4//1\n");
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 0, 2, 3}));
    // a continuation into the end of the text ends the line
    for (const char* quad : {"f 1//1 2//1 3//1 4//1 \\", "f 1//1 2//1 \\\n3//1 4//1\\\r", "f 1//1 2//1 3//1 4//1\\\r"})
        EXPECT_EQ(read(records + quad).mesh.indices, indices({0, 1, 2, 0, 2, 3})) << quad;
}

TEST(ObjReader, IndicesMayBeOctalOrHexadecimal)
{
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "v " + std::to_string(i) + " 0 0\nvt 0 0\nvn 0 0 1\n";
    ObjMesh mesh = read(text + "f 010/1/1 0x9/1/1 1/1/1\n");
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[0].position.x, 7.0f);  // entry 8
    EXPECT_EQ(mesh.mesh.vertices[1].position.x, 8.0f);  // entry 9
}

TEST(ObjReader, LongLineIsReadInPiecesOfAtMost1023)
{
    // a comment of 1023 characters, then on the same line a piece that reads as a position
    std::string line = "#" + std::string(1022, 'x') + "v 5 6 7";
    // a 2000-character line made of a face, then filler: only the first piece is a face
    std::string face = "f 1/1/1 2/1/1 3/1/1 " + std::string(1980, ' ') + "\n";
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\n" + line + "\nvt 0 0\nvn 0 0 1\n" + face);
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[2].position.x, 5.0f);
    EXPECT_EQ(mesh.mesh.vertices[2].position.z, 7.0f);
    EXPECT_TRUE(clean(mesh.problems));

    // a piece cut inside a record reads the rest as a line of its own
    std::string cut = "v 1 2 " + std::string(1017, ' ') + "3\n";
    mesh = read(cut + "v 0 0 0\nv 1 1 1\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(mesh.mesh.vertices[0].position.z, 0.0f);  // the 3 went to the next piece
    EXPECT_EQ(mesh.problems[ProblemKind::missingNumbers].count, 1u);
    EXPECT_EQ(mesh.problems[ProblemKind::missingNumbers].firstAt, 1u);
}

TEST(ObjReader, FaceLinesAreReadWholeHoweverLong)
{
    // a 300-gon cap written v/vt/vn: some 3,900 characters on one line
    std::string records = "vn 0 0 1\n", cap = "f", half;
    char line[80];
    for (int i = 0; i < 300; ++i) {
        snprintf(line, sizeof(line), "v %.6f %.6f 0\nvt 0.5 0.5\n", std::cos(i / 47.75), std::sin(i / 47.75));
        records += line;
        cap += " " + std::to_string(i + 1) + "/" + std::to_string(i + 1) + "/1";
        if (i == 150)
            half = cap;
    }
    std::vector<uint16_t> fan;
    for (uint16_t i = 1; i + 1 < 300; ++i)
        fan.insert(fan.end(), {0, i, uint16_t(i + 1)});
    const std::string continued = half + " \\\n" + cap.substr(half.size()) + "\n";
    for (const std::string& face : {cap + "\n", cap + "\r\n", continued, cap + " \\\n" + std::string(2000, ' ') + "\n"}) {
        ObjMesh mesh = read(records + face + "f 1/1/1 2/1/1 999/1/1\n");
        EXPECT_EQ(mesh.mesh.indices, fan) << face.size();
        // lines are still counted right after it
        size_t lines = 601 + std::count(face.begin(), face.end(), '\n');
        EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].firstAt, lines + 1) << face.size();
        EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].count, 1u);
    }
    // on the last line, without a final newline
    EXPECT_EQ(read(records + cap).mesh.indices, fan);
}

TEST(ObjReader, LinesAreCountedByNewlinesNotByPieces)
{
    // a 3,000-character comment is read in three pieces, but it is one line
    ObjMesh mesh = read("#" + std::string(2999, 'x') + "\nf 1 2 3\n");
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].count, 1u);
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].firstAt, 2u);
}

TEST(ObjReader, LinesReadInPlaceReadAsCutPieces)
{
    // a line followed by its newline is read where it lies; the last line, without one, from a
    // copy: both must read the same, up to the newline and not past it
    const char* lines[] = {"v 1 2 3", "v 1.5e3 -2 0x1p3", "v 1 2", "v 0x1p3 2", "vt inf", "v inf 2 nan",
                           "v 1 2 3 4 5", "v 1e400 2 3", "vt 0.5", "vt 0.5 0.25 9", "vn 0 0 1\r", "v 1 2 3 # note",
                           "v 12345678901234567890 1 1", "f 1 2 3", "f 1/1 2/1 3/1 4/1", "f 1//1 2//1 3//",
                           "f 1/1/1 2/1/1 3/1/", "f 1 2 3 x", "f 1 2", "f 1 2 3 # comment", "f -1 -2 -3",
                           "f 010 0x2 3", "s 1", "s off", "vt", "v", "f", "f 1/", "f 1/1/"};
    const std::string before = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvn 0 0 1\n";
    for (const char* line : lines) {
        for (const char* next : {"1 2 3\n", "v 9 9 9\n", "/1/1 2\n"}) {
            ObjRecords inPlace, cut;
            std::string text = before + line;
            readObjRecords(text.data(), text.size(), cut);
            text = text + "\n" + next;
            readObjRecords(text.data(), text.size(), inPlace);
            if (std::string(next) == "v 9 9 9\n")
                inPlace.positions.pop_back();
            EXPECT_TRUE(sameItems(inPlace.positions, cut.positions)) << line;
            EXPECT_TRUE(sameItems(inPlace.texCoords, cut.texCoords)) << line;
            EXPECT_TRUE(sameItems(inPlace.corners, cut.corners)) << line;
            EXPECT_EQ(inPlace.problems[ProblemKind::invalidFaces].count, cut.problems[ProblemKind::invalidFaces].count) << line;
            EXPECT_EQ(inPlace.problems[ProblemKind::missingNumbers].count, cut.problems[ProblemKind::missingNumbers].count) << line;
        }
    }
}

TEST(ObjReader, WindowsLineEndingsAreHarmless)
{
    ObjMesh crlf = read("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvt 0.5 1\r\nvn 0 0 1\r\nf 1/1/1 2/1/1 3/1/1\r\n");
    ObjMesh lf = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 1\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    ASSERT_EQ(crlf.mesh.vertices.size(), 3u);
    EXPECT_EQ(crlf.mesh.indices, lf.mesh.indices);
    EXPECT_EQ(crlf.mesh.vertices[2].texCoord.y, 1.0f);
    EXPECT_TRUE(clean(crlf.problems));
}

TEST(ObjReader, RecordsInAnyOrderAndOtherLinesIgnored)
{
    ObjMesh mesh = read("# comment\no thing\nvn 0 0 1\ng group\nv 0 0 0\nvt 0 0\ns 1\nv 1 0 0\nusemtl m\n"
                        "v 0 1 0\n\nf 1/1/1 2/1/1 3/1/1\nv 2 2 2\nf 4/1/1 2/1/1 3/1/1\n"
                        "v\t9 9 9\nvt\t1 1\nf\t1/1/1 2/1/1 3/1/1\nF 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(mesh.mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 3, 1, 2}));
    EXPECT_TRUE(clean(mesh.problems));
}

TEST(ObjReader, ZeroByteEndsThePiece)
{
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0 ";
    text += '\0';
    text += " 9 9\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n";
    ObjMesh mesh = read(text);
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[2].position.y, 1.0f);
    EXPECT_TRUE(clean(mesh.problems));
}

TEST(ObjReader, SkipsFacesWithInvalidPositionsWhole)
{
    std::string records = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";  // lines 1-5
    ObjMesh mesh = read(records +
                        "f 1/1/1 2/1/1 0/1/1\n"           // 6: index 0
                        "f 1/1/1 2/1/1 4/1/1\n"           // 7: position past the end
                        "f 1/1/1 2/1/1 2147483648/1/1\n"  // 8: too large for an int
                        "f 1/1/1 4294967297/1/1 3/1/1\n"  // 9: would wrap to 1 in 32 bits
                        "f 1/1/1 2/1/1 x/1/1\n"           // 10: unparseable
                        "f 1/1/1 2/1/1\n"                 // 11: two corners
                        "f 1/1/1 2/1/ 3/1/1\n"            // 12: empty normal
                        "f 1/1/1 2/1/1 -4/1/1\n"          // 13: relative, before the first entry
                        "f 1/1/1 2/1/1 3/1/1 x\n"         // 14: a fourth corner unparseable
                        "f 2/1/1 3/1/1 1/1/1\n");         // 15: fine
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].count, 9u);
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].firstAt, 6u);
    // no corner of a skipped face was welded: the only face gives vertices 0, 1, 2 in its order
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[0].position.x, 1.0f);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2}));
}

TEST(ObjReader, OutOfRangeTextureAndNormalIndicesCountAsMissing)
{
    std::string records = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0 0 -1\n";  // lines 1-5
    ObjMesh mesh = read(records + "f 1/1/1 2/1/1 3/1/1\n"  // 6: fine
                        "f 1/2/1 2/0/1 3/1/7\n"               // 7: two textures, one normal out of range
                        "f 1/1/-2 2/1/0 3/-9/1\n");           // 8: two normals, one texture
    ASSERT_EQ(mesh.mesh.indices.size(), 9u);
    std::vector<Vertex> corners = drawnCorners(mesh);
    EXPECT_EQ(corners[3].texCoord.x, 0.0f);
    EXPECT_EQ(corners[4].texCoord.y, 0.0f);
    EXPECT_EQ(corners[5].texCoord.x, 0.5f);
    expectNormal(corners[5], 0.0f, 0.0f, 1.0f);  // computed from the triangle, wound toward +z
    expectNormal(corners[4], 0.0f, 0.0f, -1.0f);
    expectNormal(corners[6], 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(corners[8].texCoord.x, 0.0f);
    EXPECT_EQ(mesh.problems[ProblemKind::missingTexCoords].count, 3u);
    EXPECT_EQ(mesh.problems[ProblemKind::missingTexCoords].firstAt, 7u);
    EXPECT_EQ(mesh.problems[ProblemKind::missingNormals].count, 3u);
    EXPECT_EQ(mesh.problems[ProblemKind::missingNormals].firstAt, 7u);
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].count, 0u);
}

TEST(ObjReader, NegativeIndicesAreRelative)
{
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0\nvn 0 0 1\nf -3/-1/-1 -2/-1/-1 -1/-1/-1\n"
                        "v 5 5 5\nf -1/1/1 -2/1/1 -3/1/1\n");
    EXPECT_EQ(mesh.mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(mesh.mesh.vertices[0].texCoord.x, 0.25f);
    EXPECT_TRUE(clean(mesh.problems));
}

TEST(ObjReader, ShortFaceFormsLoad)
{
    // v//vn: texture coordinate (0, 0)
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 1 0\nf 1//1 2//1 3//1\n");
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[1].texCoord.x, 0.0f);
    EXPECT_EQ(mesh.mesh.vertices[1].normal.y, 1.0f);
    EXPECT_TRUE(clean(mesh.problems));

    // v/vt and bare v, faceted: the face's own unit normal, counter-clockwise
    mesh = read("v 0 0 0\nv 2 0 0\nv 0 2 0\nvt 0.5 0.5\ns off\nf 1/1 2/1 3/1\nf 1 3 2\n");
    ASSERT_EQ(mesh.mesh.vertices.size(), 6u);
    EXPECT_EQ(mesh.mesh.vertices[0].texCoord.x, 0.5f);
    EXPECT_EQ(mesh.mesh.vertices[0].normal.z, 1.0f);
    EXPECT_EQ(mesh.mesh.vertices[3].normal.z, -1.0f);
    EXPECT_EQ(mesh.mesh.vertices[3].texCoord.y, 0.0f);

    // a degenerate triangle gets a zero normal; forms may mix within a face
    mesh = read("v 0 0 0\nv 1 1 1\nv 2 2 2\nvn 1 0 0\nf 1 2//1 3\n");
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[0].normal.x, 0.0f);
    EXPECT_EQ(mesh.mesh.vertices[0].normal.z, 0.0f);
    EXPECT_EQ(mesh.mesh.vertices[1].normal.x, 1.0f);

    // a tiny but proper triangle still gets a unit normal
    mesh = read("v 0 0 0\nv 0.001 0 0\nv 0 0.001 0\nf 1 2 3\n");
    EXPECT_FLOAT_EQ(mesh.mesh.vertices[0].normal.z, 1.0f);
}

TEST(ObjReader, MissingNormalsAreSmoothByArea)
{
    // two triangles on the edge from (0,0,0) to (1,0,0): one facing +z, one twice its area facing +y
    const std::string positions = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 2\n";
    const std::string faces = "f 1 2 3\nf 1 4 2\n";
    const float y = float(2.0 / std::sqrt(5.0)), z = float(1.0 / std::sqrt(5.0));
    std::vector<Vertex> corners = drawnCorners(read(positions + faces));
    expectNormal(corners[0], 0.0f, y, z);  // the shared corners: the sum (0, 2, 1), normalised
    expectNormal(corners[1], 0.0f, y, z);
    expectNormal(corners[2], 0.0f, 0.0f, 1.0f);
    expectNormal(corners[3], 0.0f, y, z);
    expectNormal(corners[4], 0.0f, 1.0f, 0.0f);
    expectNormal(corners[5], 0.0f, y, z);

    // faceted, and in separate groups: each triangle keeps its own
    for (const std::string& text : {positions + "s off\n" + faces, positions + "s 1\nf 1 2 3\ns 2\nf 1 4 2\n",
                                    positions + "f 1 2 3\ns 3\nf 1 4 2\n"}) {
        corners = drawnCorners(read(text));
        expectNormal(corners[0], 0.0f, 0.0f, 1.0f);
        expectNormal(corners[3], 0.0f, 1.0f, 0.0f);
    }
    // the same group again after another joins them
    corners = drawnCorners(read(positions + "s 4\nf 1 2 3\ns 0\nf 3 2 1\ns 4\nf 1 4 2\n"));
    expectNormal(corners[0], 0.0f, y, z);
    expectNormal(corners[3], 0.0f, 0.0f, -1.0f);

    // a corner with a normal in the file keeps it and adds nothing to the others
    corners = drawnCorners(read(positions + "vn 1 0 0\nf 1//1 2//1 3//1\nf 1 4 2\n"));
    expectNormal(corners[0], 1.0f, 0.0f, 0.0f);
    expectNormal(corners[3], 0.0f, 1.0f, 0.0f);
    expectNormal(corners[5], 0.0f, 1.0f, 0.0f);

    // twin faces facing both ways cancel out: each keeps its own normal, a degenerate one zero
    corners = drawnCorners(read(positions + "f 1 2 3\nf 1 4 2\nf 1 3 2\nf 1 2 4\nf 1 1 2\n"));
    expectNormal(corners[0], 0.0f, 0.0f, 1.0f);
    expectNormal(corners[3], 0.0f, 1.0f, 0.0f);
    expectNormal(corners[7], 0.0f, 0.0f, -1.0f);
    expectNormal(corners[9], 0.0f, -1.0f, 0.0f);
    expectNormal(corners[12], 0.0f, 0.0f, 0.0f);

    // a double-sided quad, bent: the twins' whole areas cancel out, though they are fanned along
    // different diagonals, and each keeps its own polygon's normal, not its triangles'
    corners = drawnCorners(read("v 0 0 0\nv 1 0 0\nv 1 1 1\nv 0 1 0\nf 1 2 3 4\nf 4 3 2 1\n"));
    const float a = float(1.0 / std::sqrt(6.0)), b = float(2.0 / std::sqrt(6.0));
    for (size_t i = 0; i < corners.size(); ++i)
        i < 6 ? expectNormal(corners[i], -a, -a, b) : expectNormal(corners[i], a, a, -b);
}

TEST(ObjReader, SmoothingGroupsTakeNoMemoryEach)
{
    // 400,000 distinct groups: a group is named by its number, kept only in the runs of the faces
    // that follow it, one run per change
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 1; i <= 400000; ++i)
        text += "s " + std::to_string(i) + "\n";
    ObjRecords records;
    readObjRecords(text.data(), text.size(), records);
    EXPECT_TRUE(records.groups.empty());
    for (int i = 1; i <= 1000; ++i)
        text += "s " + std::to_string(i) + "\nf 1 2 3\n";
    readObjRecords(text.data(), text.size(), records);
    EXPECT_EQ(records.groups.size(), 1000u);
}

TEST(ObjReader, ShortRecordsKeepTheirSlot)
{
    ObjMesh mesh = read("v 1 2\nv \nv 0 1 0 junk\nvt 0.5\nvn \nv 7 8 9\nf 4/1/1 1/1/1 2/1/1\n");
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.mesh.vertices[0].position.x, 7.0f);  // the fourth v, not shifted
    EXPECT_EQ(mesh.mesh.vertices[1].position.y, 2.0f);
    EXPECT_EQ(mesh.mesh.vertices[1].position.z, 0.0f);
    EXPECT_EQ(mesh.mesh.vertices[2].position.x, 0.0f);  // the empty record
    EXPECT_EQ(mesh.mesh.vertices[0].texCoord.x, 0.5f);
    EXPECT_EQ(mesh.mesh.vertices[0].texCoord.y, 0.0f);
    EXPECT_EQ(mesh.mesh.vertices[0].normal.z, 0.0f);
    EXPECT_EQ(mesh.problems[ProblemKind::missingNumbers].count, 4u);
    EXPECT_EQ(mesh.problems[ProblemKind::missingNumbers].firstAt, 1u);
}

TEST(ObjReader, NonFiniteNumbersBecomeZero)
{
    ObjMesh mesh = read("v 0 2 0\nv 1 nan 0\nv inf -inf 1e39\nvt -nan 0.5\nvn 0 0 1e400\nf 1/1/1 2/1/1 3/1/1\n");
    ASSERT_EQ(mesh.mesh.vertices.size(), 3u);
    for (const Vertex& v : mesh.mesh.vertices) {
        EXPECT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.position.y) && std::isfinite(v.position.z));
        EXPECT_EQ(v.normal.z, 0.0f);
        EXPECT_EQ(v.texCoord.x, 0.0f);
    }
    EXPECT_EQ(mesh.mesh.vertices[1].position.y, 0.0f);
    EXPECT_EQ(mesh.mesh.vertices[2].position.z, 0.0f);
    EXPECT_EQ(mesh.problems[ProblemKind::nonFiniteNumbers].count, 6u);
    EXPECT_EQ(mesh.problems[ProblemKind::nonFiniteNumbers].firstAt, 2u);
    EXPECT_EQ(mesh.problems[ProblemKind::missingNumbers].count, 0u);
}

TEST(ObjReader, CornerOfTheSameFaceWeldsToAnEarlierNewCorner)
{
    ObjMesh mesh = read("v 0 0 0\nv 0.000005 0 0\nv 1 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(mesh.mesh.vertices.size(), 2u);
    EXPECT_EQ(mesh.mesh.indices, indices({0, 0, 1}));
}

TEST(ObjReader, OneLinePerKindOfProblem)
{
    ObjMesh mesh = read("v 1 2\nv 0 0 nan\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 9/1/1\nf 0/1/1 2/1/1 3/1/1\n"
                        "f 1/2/1 2/3/1 3/1/4\n");
    ProblemList list;
    addTalliesToList(list, mesh.problems, std::string());
    std::string printed = captureStdout([&] { logProblems(list, "bad.obj"); });
    EXPECT_EQ(printed,
              "Skipped 2 faces with invalid indices in [bad.obj], first at line 6\n"
              "Gave 2 corners with an out-of-range texture index the texture coordinate (0, 0) in [bad.obj], "
              "first at line 8\n"
              "Gave 1 corner with an out-of-range normal index a computed normal in [bad.obj], first at line 8\n"
              "Read missing numbers as 0 in 1 record of [bad.obj], first at line 1\n"
              "Read 1 non-finite number as 0 in [bad.obj], first at line 2\n");
    EXPECT_EQ(captureStdout([] { logProblems(ProblemList(), "good.obj"); }), "");
}

TEST(ObjReader, EmptyAndFacelessFilesGiveEmptyLists)
{
    ObjMesh mesh = read("");
    EXPECT_TRUE(mesh.mesh.vertices.empty());
    EXPECT_TRUE(mesh.mesh.indices.empty());
    EXPECT_TRUE(mesh.mesh.batches.empty());
    mesh = read("v 1 2 3\nvt 0 0\nvn 0 0 1\n# no faces");
    EXPECT_TRUE(mesh.mesh.vertices.empty());
    EXPECT_TRUE(clean(mesh.problems));
}

TEST(ObjReader, FacesTakeTheMaterialOfTheLastUsemtlBeforeThemGroupedInOrderOfNaming)
{
    // each face its own triangle, told by its third position's x; the ranges' materials in order,
    // each with the faces it draws
    const std::string records = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 2 1 0\nv 3 1 0\nv 4 1 0\n";
    const struct {
        std::string faces;
        const char* ranges;
    } cases[] = {
        {"f 1 2 3\nusemtl B\nf 1 2 4\n", "[] 1;[B] 2;"},
        {"f 1 2 3\nusemtl B\nusemtl C\nf 1 2 4\nusemtl B\nf 1 2 5\n", "[] 1;[B] 3;[C] 2;"},
        {"f 1 2 3\nusemtl B\n# a comment\nusemtl C\nf 1 2 4\nusemtl B\nf 1 2 5\n", "[] 1;[B] 3;[C] 2;"},
        {"f 1 2 3\nusemtl B\nv 9 9 9\nusemtl C\nf 1 2 4\nusemtl B\nf 1 2 5\n", "[] 1;[B] 3;[C] 2;"},
        {"usemtl B\nf 1 2 3\nf 1 2 4\nusemtl C\nf 1 2 5\nusemtl B\nf 1 2 6\n", "[B] 1 2 4;[C] 3;"},
    };
    for (const auto& c : cases) {
        ObjMesh reading = read(records + c.faces);
        const Mesh& mesh = reading.mesh;
        std::string ranges;
        for (const MeshRange& range : mesh.ranges) {
            ranges += "[" + mesh.materials[range.material].name + "]";
            for (uint32_t i = range.firstIndex; i < range.firstIndex + range.indexCount; i += 3)
                ranges += " " + std::to_string(int(mesh.vertices[mesh.indices[i + 2]].position.x));
            ranges += ";";
        }
        EXPECT_EQ(ranges, c.ranges) << c.faces;
    }
}

TEST(ObjReader, SmoothingGroupsAreNamedByTheirWholeNumber)
{
    // each s line before a face: the groups its runs name, alike only for the same number
    const char* numbers[] = {"1", "007", "7", "5764607523034234880", "5764607523034234881",
                             "9223372036854775807", "9223372036854775808", "18446744073709551615",
                             "18446744073709551616", "123456789012345678901234567890"};
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (const char* number : numbers)
        text += std::string("s ") + number + "\nf 1 2 3\n";
    ObjRecords records;
    readObjRecords(text.data(), text.size(), records);
    ASSERT_EQ(records.groups.size(), 9u);  // 007 and 7 are one run
    for (size_t i = 0; i < records.groups.size(); ++i) {
        EXPECT_NE(records.groups[i].group, defaultGroup) << i;
        for (size_t k = 0; k < i; ++k)
            EXPECT_NE(records.groups[i].group, records.groups[k].group) << i << " " << k;
    }
    EXPECT_EQ(records.groups[2].group, 5764607523034234880ull);
}
