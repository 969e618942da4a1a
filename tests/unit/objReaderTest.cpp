#include "assets/objReader.h"
#include "support/captureStdout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

ObjMesh read(const std::string& text)
{
    ObjMesh mesh;
    readObj(text.data(), text.size(), mesh);
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

bool clean(const ObjReport& r)
{
    return r.invalidFaces.count == 0 && r.facesPastLimit.count == 0 && r.missingNumbers.count == 0 &&
           r.nonFiniteNumbers.count == 0;
}

} // namespace

TEST(ObjReader, SharedEdgeWeldsToFourVertices)
{
    ObjMesh mesh = read(std::string(fourCorners) + "f 1/1/1 2/2/2 3/3/3\nf 3/3/3 2/2/2 4/4/4\n");
    EXPECT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.indices, indices({0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(mesh.vertices[3].position.x, 1.0f);
    EXPECT_EQ(mesh.vertices[3].texCoord.y, 1.0f);
    EXPECT_EQ(mesh.vertices[3].normal.z, 1.0f);
    EXPECT_TRUE(clean(mesh.report));
}

TEST(ObjReader, HardEdgeKeepsVerticesApart)
{
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nvn 1 0 0\n"
                        "f 1/1/1 2/1/1 3/1/1\nf 1/1/2 2/1/2 3/1/2\n");
    EXPECT_EQ(mesh.vertices.size(), 6u);
    EXPECT_EQ(mesh.indices, indices({0, 1, 2, 3, 4, 5}));
}

TEST(ObjReader, WeldsAcrossRecordsWithinTolerance)
{
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1.000009 0.000009 -0.00001\nvt 0.5 0.5\nvt 0.500009 0.5\n"
                        "vn 0 0 1\nvn 0.00001 0 1\n"
                        "f 1/1/1 2/1/1 3/1/1\nf 3/1/1 4/2/2 1/1/1\nf 1/1/1 4/1/1 3/1/1\n");
    EXPECT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.indices, indices({0, 1, 2, 2, 1, 0, 0, 1, 2}));
    // just past the tolerance stays apart
    mesh = read("v 0 0 0\nv 0.0000101 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 1/1/1\n");
    EXPECT_EQ(mesh.indices, indices({0, 1, 0}));
}

TEST(ObjReader, QuadGivesItsFirstTriangle)
{
    ObjMesh mesh = read(std::string(fourCorners) + "f 1/1/1 2/2/2 4/4/4 3/3/3\n");
    EXPECT_EQ(mesh.indices, indices({0, 1, 2}));
    EXPECT_EQ(mesh.vertices[2].position.y, 1.0f);
    EXPECT_EQ(mesh.vertices[2].position.x, 1.0f);
}

TEST(ObjReader, IndicesMayBeOctalOrHexadecimal)
{
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "v " + std::to_string(i) + " 0 0\nvt 0 0\nvn 0 0 1\n";
    ObjMesh mesh = read(text + "f 010/1/1 0x9/1/1 1/1/1\n");
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[0].position.x, 7.0f);  // entry 8
    EXPECT_EQ(mesh.vertices[1].position.x, 8.0f);  // entry 9
}

TEST(ObjReader, LongLineIsReadInPiecesOfAtMost1023)
{
    // a comment of 1023 characters, then on the same line a piece that reads as a position
    std::string line = "#" + std::string(1022, 'x') + "v 5 6 7";
    // a 2000-character line made of a face, then filler: only the first piece is a face
    std::string face = "f 1/1/1 2/1/1 3/1/1 " + std::string(1980, ' ') + "\n";
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\n" + line + "\nvt 0 0\nvn 0 0 1\n" + face);
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[2].position.x, 5.0f);
    EXPECT_EQ(mesh.vertices[2].position.z, 7.0f);
    EXPECT_TRUE(clean(mesh.report));

    // a piece cut inside a record reads the rest as a line of its own
    std::string cut = "v 1 2 " + std::string(1017, ' ') + "3\n";
    mesh = read(cut + "v 0 0 0\nv 1 1 1\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(mesh.vertices[0].position.z, 0.0f);  // the 3 went to the next piece
    EXPECT_EQ(mesh.report.missingNumbers.count, 1u);
    EXPECT_EQ(mesh.report.missingNumbers.firstLine, 1u);
}

TEST(ObjReader, LinesAreCountedByNewlinesNotByPieces)
{
    // a 3,000-character comment is read in three pieces, but it is one line
    ObjMesh mesh = read("#" + std::string(2999, 'x') + "\nf 1 2 3\n");
    EXPECT_EQ(mesh.report.invalidFaces.count, 1u);
    EXPECT_EQ(mesh.report.invalidFaces.firstLine, 2u);
}

TEST(ObjReader, WindowsLineEndingsAreHarmless)
{
    ObjMesh crlf = read("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvt 0.5 1\r\nvn 0 0 1\r\nf 1/1/1 2/1/1 3/1/1\r\n");
    ObjMesh lf = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 1\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    ASSERT_EQ(crlf.vertices.size(), 3u);
    EXPECT_EQ(crlf.indices, lf.indices);
    EXPECT_EQ(crlf.vertices[2].texCoord.y, 1.0f);
    EXPECT_TRUE(clean(crlf.report));
}

TEST(ObjReader, RecordsInAnyOrderAndOtherLinesIgnored)
{
    ObjMesh mesh = read("# comment\no thing\nvn 0 0 1\ng group\nv 0 0 0\nvt 0 0\ns 1\nv 1 0 0\nusemtl m\n"
                        "v 0 1 0\n\nf 1/1/1 2/1/1 3/1/1\nv 2 2 2\nf 4/1/1 2/1/1 3/1/1\n"
                        "v\t9 9 9\nvt\t1 1\nf\t1/1/1 2/1/1 3/1/1\nF 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.indices, indices({0, 1, 2, 3, 1, 2}));
    EXPECT_TRUE(clean(mesh.report));
}

TEST(ObjReader, ZeroByteEndsThePiece)
{
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0 ";
    text += '\0';
    text += " 9 9\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n";
    ObjMesh mesh = read(text);
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[2].position.y, 1.0f);
    EXPECT_TRUE(clean(mesh.report));
}

TEST(ObjReader, SkipsFacesWithInvalidIndicesWhole)
{
    std::string records = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";  // lines 1-5
    ObjMesh mesh = read(records +
                        "f 1/1/1 2/1/1 0/1/1\n"           // 6: index 0
                        "f 1/1/1 2/1/1 4/1/1\n"           // 7: position past the end
                        "f 1/1/1 2/2/1 3/1/1\n"           // 8: texture coordinate past the end
                        "f 1/1/1 2/1/1 3/1/2\n"           // 9: normal past the end
                        "f 1/1/1 2/1/1 2147483648/1/1\n"  // 10: too large for an int
                        "f 1/1/1 4294967297/1/1 3/1/1\n"  // 11: would wrap to 1 in 32 bits
                        "f 1/1/1 2/1/1 x/1/1\n"           // 12: unparseable
                        "f 1/1/1 2/1/1\n"                 // 13: two corners
                        "f 1/1/1 2/1/ 3/1/1\n"            // 14: empty normal
                        "f 1/1/1 2/1/1 -4/1/1\n"          // 15: relative, before the first entry
                        "f 2/1/1 3/1/1 1/1/1\n");         // 16: fine
    EXPECT_EQ(mesh.report.invalidFaces.count, 10u);
    EXPECT_EQ(mesh.report.invalidFaces.firstLine, 6u);
    // no corner of a skipped face was welded: the only face gives vertices 0, 1, 2 in its order
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[0].position.x, 1.0f);
    EXPECT_EQ(mesh.indices, indices({0, 1, 2}));
}

TEST(ObjReader, NegativeIndicesAreRelative)
{
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0\nvn 0 0 1\nf -3/-1/-1 -2/-1/-1 -1/-1/-1\n"
                        "v 5 5 5\nf -1/1/1 -2/1/1 -3/1/1\n");
    EXPECT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.indices, indices({0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(mesh.vertices[0].texCoord.x, 0.25f);
    EXPECT_TRUE(clean(mesh.report));
}

TEST(ObjReader, ShortFaceFormsLoad)
{
    // v//vn: texture coordinate (0, 0)
    ObjMesh mesh = read("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 1 0\nf 1//1 2//1 3//1\n");
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[1].texCoord.x, 0.0f);
    EXPECT_EQ(mesh.vertices[1].normal.y, 1.0f);
    EXPECT_TRUE(clean(mesh.report));

    // v/vt and bare v: the face's own unit normal, counter-clockwise
    mesh = read("v 0 0 0\nv 2 0 0\nv 0 2 0\nvt 0.5 0.5\nf 1/1 2/1 3/1\nf 1 3 2\n");
    ASSERT_EQ(mesh.vertices.size(), 6u);
    EXPECT_EQ(mesh.vertices[0].texCoord.x, 0.5f);
    EXPECT_EQ(mesh.vertices[0].normal.z, 1.0f);
    EXPECT_EQ(mesh.vertices[3].normal.z, -1.0f);
    EXPECT_EQ(mesh.vertices[3].texCoord.y, 0.0f);

    // a degenerate triangle gets a zero normal; forms may mix within a face
    mesh = read("v 0 0 0\nv 1 1 1\nv 2 2 2\nvn 1 0 0\nf 1 2//1 3\n");
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[0].normal.x, 0.0f);
    EXPECT_EQ(mesh.vertices[0].normal.z, 0.0f);
    EXPECT_EQ(mesh.vertices[1].normal.x, 1.0f);

    // a tiny but proper triangle still gets a unit normal
    mesh = read("v 0 0 0\nv 0.001 0 0\nv 0 0.001 0\nf 1 2 3\n");
    EXPECT_FLOAT_EQ(mesh.vertices[0].normal.z, 1.0f);
}

TEST(ObjReader, ShortRecordsKeepTheirSlot)
{
    ObjMesh mesh = read("v 1 2\nv \nv 0 1 0 junk\nvt 0.5\nvn \nv 7 8 9\nf 4/1/1 1/1/1 2/1/1\n");
    ASSERT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.vertices[0].position.x, 7.0f);  // the fourth v, not shifted
    EXPECT_EQ(mesh.vertices[1].position.y, 2.0f);
    EXPECT_EQ(mesh.vertices[1].position.z, 0.0f);
    EXPECT_EQ(mesh.vertices[2].position.x, 0.0f);  // the empty record
    EXPECT_EQ(mesh.vertices[0].texCoord.x, 0.5f);
    EXPECT_EQ(mesh.vertices[0].texCoord.y, 0.0f);
    EXPECT_EQ(mesh.vertices[0].normal.z, 0.0f);
    EXPECT_EQ(mesh.report.missingNumbers.count, 4u);
    EXPECT_EQ(mesh.report.missingNumbers.firstLine, 1u);
}

TEST(ObjReader, NonFiniteNumbersBecomeZero)
{
    ObjMesh mesh = read("v 0 2 0\nv 1 nan 0\nv inf -inf 1e39\nvt -nan 0.5\nvn 0 0 1e400\nf 1/1/1 2/1/1 3/1/1\n");
    ASSERT_EQ(mesh.vertices.size(), 3u);
    for (const Vertex& v : mesh.vertices) {
        EXPECT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.position.y) && std::isfinite(v.position.z));
        EXPECT_EQ(v.normal.z, 0.0f);
        EXPECT_EQ(v.texCoord.x, 0.0f);
    }
    EXPECT_EQ(mesh.vertices[1].position.y, 0.0f);
    EXPECT_EQ(mesh.vertices[2].position.z, 0.0f);
    EXPECT_EQ(mesh.report.nonFiniteNumbers.count, 6u);
    EXPECT_EQ(mesh.report.nonFiniteNumbers.firstLine, 2u);
    EXPECT_EQ(mesh.report.missingNumbers.count, 0u);
}

TEST(ObjReader, NeverMoreThan65536Vertices)
{
    // 21845 faces of three new vertices make 65535; the next face needs two more: skipped whole
    std::string text = "vt 0 0\nvn 0 0 1\n";
    for (int i = 0; i < 65537; ++i)
        text += "v " + std::to_string(i) + " 0 0\n";
    for (int f = 0; f < 21845; ++f)
        text += "f " + std::to_string(3 * f + 1) + "/1/1 " + std::to_string(3 * f + 2) + "/1/1 " +
                std::to_string(3 * f + 3) + "/1/1\n";
    text += "f 1/1/1 65536/1/1 65537/1/1\n";  // two new: one past the limit
    text += "f 1/1/1 2/1/1 65536/1/1\n";      // one new: the last slot
    text += "f 1/1/1 65537/1/1 3/1/1\n";      // past the limit again
    text += "f 3/1/1 2/1/1 1/1/1\n";          // old vertices only
    ObjMesh mesh = read(text);
    EXPECT_EQ(mesh.vertices.size(), 65536u);
    ASSERT_EQ(mesh.indices.size(), 3u * 21847);
    EXPECT_EQ(mesh.vertices[65535].position.x, 65535.0f);
    EXPECT_EQ(mesh.indices[3 * 21845 + 2], 65535);
    EXPECT_EQ(mesh.indices.back(), 0);
    EXPECT_EQ(mesh.report.facesPastLimit.count, 2u);
    EXPECT_EQ(mesh.report.facesPastLimit.firstLine, 2u + 65537u + 21845u + 1u);
}

TEST(ObjReader, CornerOfTheSameFaceWeldsToAnEarlierNewCorner)
{
    ObjMesh mesh = read("v 0 0 0\nv 0.000005 0 0\nv 1 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    EXPECT_EQ(mesh.vertices.size(), 2u);
    EXPECT_EQ(mesh.indices, indices({0, 0, 1}));
}

TEST(ObjReport, OneLinePerKindOfProblem)
{
    ObjMesh mesh = read("v 1 2\nv 0 0 nan\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 9/1/1\nf 0/1/1 2/1/1 3/1/1\n");
    std::string printed = captureStdout([&] { logObjReport(mesh.report, "bad.obj"); });
    EXPECT_EQ(printed,
              "Skipped 2 faces with invalid indices in [bad.obj], first at line 6\n"
              "Read missing numbers as 0 in 1 record of [bad.obj], first at line 1\n"
              "Read 1 non-finite number as 0 in [bad.obj], first at line 2\n");
    EXPECT_EQ(captureStdout([] { logObjReport(ObjReport(), "good.obj"); }), "");
}

TEST(ObjReader, EmptyAndFacelessFilesGiveEmptyLists)
{
    ObjMesh mesh = read("");
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.indices.empty());
    mesh = read("v 1 2 3\nvt 0 0\nvn 0 0 1\n# no faces");
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(clean(mesh.report));
}
