#include "core/mesh/objMesh.h"
#include "core/mesh/plyReader.h"
#include "modelText.h"
#include "support/heapInUse.h"
#include "support/meshCheck.h"
#include "torusObj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

Mesh readPly(const std::string& bytes, ProblemList* problems = nullptr)
{
    Mesh mesh;
    ProblemList list;
    EXPECT_TRUE(readPlyBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mesh, list));
    if (problems)
        *problems = list;
    return mesh;
}

Mesh readObj(const std::string& text)
{
    ObjMesh read;
    readObjText(text.data(), text.size(), read);
    return read.mesh;
}

// Two faces on the same four corners facing both ways, as double-sided models have (their sums
// cancel out), a pentagon beside them, and two triangles on one edge that nearly cancel out: their
// sum's length is 1.5 millionths of the sum of the absolute components added, just past where it
// counts as cancelled.
PlainModel twinQuadAndPentagon()
{
    PlainModel model;
    model.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 3, 0, 0, 4, 0, 0.5f, 4.5f, 1, 1, 3.5f, 2, 0.25f, 2.5f, 1, 0,
                       20, 0, 0, 30, 0, 0, 20, 10, 0, 20, 10, 3e-5f};
    model.faceSizes = {4, 4, 5, 3, 3};
    model.corners = {0, 1, 2, 3, 3, 2, 1, 0, 4, 5, 6, 7, 8, 9, 10, 11, 9, 12, 10};
    return model;
}

PlyLayout layout(PlyEncoding encoding, const char* positionType = "float", const char* countType = "uchar",
                 const char* indexType = "int", bool extras = false)
{
    PlyLayout l;
    l.encoding = encoding;
    l.positionType = positionType;
    l.countType = countType;
    l.indexType = indexType;
    l.extras = extras;
    return l;
}

// Binary little-endian values.
std::string le(const char* type, double value)
{
    std::string bytes;
    modelText::appendScalar(bytes, type, value, layout(PlyEncoding::binaryLittle));
    return bytes;
}

std::string floats(std::initializer_list<float> values)
{
    std::string bytes;
    for (float v : values)
        bytes += le("float", v);
    return bytes;
}

const std::string triangleHeader = "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
                                   "property float y\nproperty float z\nelement face 1\n"
                                   "property list uchar int vertex_indices\nend_header\n";
const std::string triangleVertices = floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
const std::string triangleFace = le("uchar", 3) + le("int", 0) + le("int", 1) + le("int", 2);

std::string asciiHeader(int vertices, int faces, const char* faceProperty = "property list uchar int vertex_indices")
{
    return "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " + std::to_string(faces) + "\n" +
           faceProperty + "\nend_header\n";
}

std::string number(size_t n)
{
    return std::to_string(n);
}

} // namespace

TEST(PlyReader, ReadsAsTheSameModelWrittenAsObj)
{
    struct Model {
        const char* name;
        PlainModel model;
    } models[] = {
        {"bare positions, smoothed", torusModel(TorusShape{12, 8, 13.0, 6.0, TorusLayout::positionsOnly})},
        {"quads with normals and texture coordinates",
         torusModel(TorusShape{10, 6, 13.0, 6.0, TorusLayout::sharedQuads})},
        {"colors", torusModel(TorusShape{9, 7, 13.0, 6.0, TorusLayout::positionsOnly}, true)},
        {"twin faces and a pentagon", twinQuadAndPentagon()},
    };
    const PlyLayout layouts[] = {
        layout(PlyEncoding::ascii),
        layout(PlyEncoding::binaryLittle),
        layout(PlyEncoding::binaryBig, "double", "ushort", "uint"),
        layout(PlyEncoding::binaryLittle, "float32", "int", "ushort"),
        layout(PlyEncoding::ascii, "double", "int8", "uint32", true),
        layout(PlyEncoding::binaryLittle, "float", "uint8", "int32", true),
        layout(PlyEncoding::binaryBig, "float64", "uchar", "int16", true),
    };
    for (const Model& m : models) {
        Mesh expected = readObj(objText(m.model));
        for (size_t l = 0; l < sizeof(layouts) / sizeof(layouts[0]); ++l) {
            PlyLayout written = layouts[l];
            written.colorType = l % 2 ? "float" : "uchar";
            written.texCoordNames = l % 3 == 0 ? "u v" : l % 3 == 1 ? "s t" : "texture_u texture_v";
            ProblemList problems;
            Mesh read = readPly(plyText(m.model, written), &problems);
            std::string context = std::string(m.name) + ", layout " + std::to_string(l);
            expectSameMesh(read, expected, context);
            EXPECT_EQ(toldProblems(problems, "m.ply"), "") << context;
        }
    }
    // past the 65,536 vertices of a batch
    PlainModel large = torusModel(TorusShape{260, 260, 13.0, 6.0, TorusLayout::positionsOnly});
    Mesh read = readPly(plyText(large, layout(PlyEncoding::binaryLittle)));
    EXPECT_GT(read.batches.size(), 1u);
    expectSameMesh(read, readObj(objText(large)), "260 x 260");
}

TEST(PlyReader, VerticesWithoutFacesAreDrawnAsPointsInFileOrder)
{
    PlainModel cloud = torusModel(TorusShape{6, 5, 13.0, 6.0, TorusLayout::shared}, true);
    cloud.faceSizes.clear();
    cloud.corners.clear();
    std::string withoutFaces = plyText(cloud, layout(PlyEncoding::binaryBig));
    // no face element at all
    std::string withoutElement = withoutFaces;
    size_t face = withoutElement.find("element face 0\nproperty list uchar int vertex_indices\n");
    ASSERT_NE(face, std::string::npos);
    withoutElement.erase(face, strlen("element face 0\nproperty list uchar int vertex_indices\n"));
    for (const std::string& bytes : {withoutFaces, withoutElement, plyText(cloud)}) {
        ProblemList problems;
        Mesh mesh = readPly(bytes, &problems);
        EXPECT_EQ(mesh.primitive, MeshPrimitive::points);
        expectSaneMesh(mesh, "points");
        ASSERT_EQ(mesh.vertices.size(), cloud.positions.size() / 3);
        ASSERT_EQ(mesh.colors.size(), mesh.vertices.size());
        for (size_t v = 0; v < mesh.vertices.size(); ++v) {
            EXPECT_EQ(mesh.vertices[v].position.y, cloud.positions[3 * v + 1]);
            EXPECT_EQ(mesh.vertices[v].normal.z, cloud.normals[3 * v + 2]);
            EXPECT_EQ(mesh.vertices[v].texCoord.x, cloud.texCoords[2 * v]);
            EXPECT_EQ(mesh.colors[v].x, float(cloud.colors[3 * v] / 255.0));
        }
        EXPECT_EQ(toldProblems(problems, "m.ply"), "");
    }
    // without normals in the file: pointing away from the middle of the bounds, (0, 0, 1) there
    PlainModel bare;
    bare.positions = {-2, 0, 0, 2, 0, 0, 0, 1, 0, 0, -1, 1, 0, 0, 0.5f};
    Mesh mesh = readPly(plyText(bare));
    ASSERT_EQ(mesh.vertices.size(), 5u);
    const double middle[3] = {0.0, 0.0, 0.5};
    for (size_t v = 0; v < 4; ++v) {
        double d[3], length = 0.0;
        for (int k = 0; k < 3; ++k) {
            d[k] = bare.positions[3 * v + k] - middle[k];
            length += d[k] * d[k];
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ((&mesh.vertices[v].normal.x)[k], float(d[k] / std::sqrt(length))) << v << ", " << k;
    }
    EXPECT_EQ(mesh.vertices[4].normal.z, 1.0f);
}

TEST(PlyReader, BadFilesAreToldAndWhatCanBeDrawnIsDrawn)
{
    const std::string fault = "Read [m.ply] only as far as its header holds: ";
    const std::string inPart = "Read [m.ply] only in part: ";
    size_t facesAt = triangleHeader.size() + triangleVertices.size();
    std::string fourVertices = "ply\nformat binary_little_endian 1.0\nelement vertex 4\nproperty float x\n"
                               "property float y\nproperty float z\nelement face 5\n"
                               "property list char int vertex_indices\nend_header\n";
    std::string quadVertices = floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    auto face = [](std::initializer_list<double> corners) {
        std::string bytes = le("char", double(corners.size()));
        for (double c : corners)
            bytes += le("int", c);
        return bytes;
    };
    // faces of vertex numbers of `type`, counted by an unsigned byte
    auto byteCounted = [&](const std::string& type) {
        std::string header = fourVertices;
        header.replace(header.find("list char int"), 13, "list uchar " + type);
        return header;
    };
    auto byteFace = [](const std::string& type, std::initializer_list<double> corners) {
        std::string bytes = le("uchar", double(corners.size()));
        for (double c : corners)
            bytes += le(type.c_str(), c);
        return bytes;
    };
    std::string nanFloat = le("float", 0.0);
    const uint32_t nanBits = 0x7FC00000u, infBits = 0x7F800000u;
    memcpy(&nanFloat[0], &nanBits, 4);
    std::string infFloat = nanFloat;
    memcpy(&infFloat[0], &infBits, 4);
    std::string manyVertices = triangleHeader;
    manyVertices.replace(manyVertices.find("vertex 3"), 8, "vertex 1000000000000");
    std::string doubles = "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty double x\n"
                          "property double y\nproperty double z\nelement face 1\n"
                          "property list uchar int vertex_indices\nend_header\n";

    struct Case {
        const char* name;
        std::string bytes;
        size_t triangles, points;
        std::string told;
    } cases[] = {
        {"empty", "", 0, 0, fault + "no ply line at its start\n"},
        {"not a PLY file", "v 1 2 3\n", 0, 0, fault + "no ply line at its start\n"},
        {"no end_header", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n", 0, 0,
         fault + "no end_header line\n"},
        {"no format", "ply\nelement vertex 1\nproperty float x\nend_header\n1\n", 0, 0, fault + "no format line\n"},
        {"unknown format", "ply\nformat binary_middle_endian 1.0\nelement vertex 1\nend_header\n", 0, 0,
         fault + "line 2: format [binary_middle_endian] unknown\n"},
        {"an element without its count", "ply\nformat ascii 1.0\nelement vertex\nend_header\n", 0, 0,
         fault + "line 3: an element without a name and a count\n"},
        {"faces of an unknown type: the vertices drawn as points",
         asciiHeader(3, 1, "property list uchar int128 vertex_indices") + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 0, 3,
         fault + "line 8: property type [int128] unknown\n"},
        {"no z", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n1 2\n", 0,
         0, fault + "its vertices have no x, y and z\n"},
        {"cut short in the vertices", triangleHeader + triangleVertices.substr(0, 30), 0, 2,
         inPart + "it ends at byte " + number(triangleHeader.size() + 30) + ", after 2 of its 3 vertex elements\n"},
        {"cut short in the faces", fourVertices + quadVertices + face({0, 1, 2}) + face({0, 2, 3}).substr(0, 7), 1, 0,
         inPart + "it ends at byte " + number(fourVertices.size() + quadVertices.size() + 20) +
             ", after 1 of its 5 face elements\n"},
        {"a count past the file", manyVertices + triangleVertices + triangleFace, 0, 4,
         inPart + "it ends at byte " + number(manyVertices.size() + 49) +
             ", after 4 of its 1000000000000 vertex elements\n"},
        {"a list past the file", triangleHeader + triangleVertices + le("uchar", 200) + le("int", 0), 0, 3,
         inPart + "it ends at byte " + number(facesAt + 5) + ", after 0 of its 1 face elements\n"},
        {"a negative list count", fourVertices + quadVertices + face({0, 1, 2}) + le("char", -1), 1, 0,
         inPart + "a list count that is none at byte " + number(fourVertices.size() + quadVertices.size() + 13) +
             ", after 1 of its 5 face elements\n"},
        {"indices past the vertices, negative, or too few, in binary",
         fourVertices + quadVertices + face({0, 1, 4}) + face({0, -1, 2}) + face({0, 1}) + face({0, 1, 2, 3}) +
             face({3, 2, 1, 1000000}),
         2, 0, "Skipped 4 faces with invalid indices in [m.ply], first at face 1\n"},
        {"indices past the vertices or negative, counted by an unsigned byte, three or four a face",
         byteCounted("int") + quadVertices + byteFace("int", {0, 1, 4}) + byteFace("int", {0, -1, 2}) +
             byteFace("int", {0, 1, 2}) + byteFace("int", {0, 1, 2, 3}) + byteFace("int", {3, 2, -7}),
         3, 0, "Skipped 3 faces with invalid indices in [m.ply], first at face 1\n"},
        {"unsigned indices past the vertices, counted by an unsigned byte",
         byteCounted("uint") + quadVertices + byteFace("uint", {0, 1, 2}) + byteFace("uint", {4294967295.0, 1, 2}) +
             byteFace("uint", {0, 2, 3}) + byteFace("uint", {3, 2, 4}) + byteFace("uint", {0, 1, 3}),
         3, 0, "Skipped 2 faces with invalid indices in [m.ply], first at face 2\n"},
        {"indices past the vertices, negative, too few or not whole, in ASCII",
         asciiHeader(3, 5) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n3 0 -1 2\n2 0 1\n3 0 1 2\n3 0 1 1.5\n", 1, 0,
         "Skipped 4 faces with invalid indices in [m.ply], first at line 13\n"},
        {"non-finite numbers in binary",
         triangleHeader + floats({0, 0, 0, 1, 0, 0}) + nanFloat + infFloat + le("float", 0) + triangleFace, 1, 0,
         "Read 2 non-finite numbers as 0 in [m.ply], first at byte " + number(triangleHeader.size() + 24) + "\n"},
        {"doubles beyond a float", doubles + le("double", 0) + le("double", 0) + le("double", 0) + le("double", 1e300) +
                                       le("double", 0) + le("double", 0) + le("double", 0) + le("double", 1) +
                                       le("double", -1e39) + triangleFace,
         1, 0, "Read 2 non-finite numbers as 0 in [m.ply], first at byte " + number(doubles.size() + 24) + "\n"},
        {"non-finite numbers in ASCII", asciiHeader(3, 1) + "0 0 0\nnan 0 0\n0 inf 1e39\n3 0 1 2\n", 1, 0,
         "Read 3 non-finite numbers as 0 in [m.ply], first at line 11\n"},
        {"missing numbers", asciiHeader(3, 1) + "0 0 0\n1 0\n0 1 x\n3 0 1 2\n", 1, 0,
         "Read missing numbers as 0 in 2 records of [m.ply], first at line 11\n"},
        {"faces in another element",
         "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
         "element tristrips 1\nproperty list int int vertex_indices\nelement face 1\n"
         "property list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 1 2\n",
         1, 0, "[m.ply] holds faces in element [tristrips], which are not drawn\n"},
        {"bytes after the data", triangleHeader + triangleVertices + triangleFace + "extra", 1, 0,
         "Ignored 5 bytes past the data of [m.ply], from byte " + number(facesAt + 13) + "\n"},
        {"a line of no keyword in the header, as one exporter writes",
         "ply\nformat ascii 1.0\nCreated by a modeller\n" + asciiHeader(3, 1).substr(21) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
         1, 0, "Ignored 1 statement [Created] in [m.ply], first at line 3\n"},
        {"faces before vertices cut short",
         "ply\nformat ascii 1.0\nelement face 1\nproperty list uchar int vertex_indices\nelement vertex 3\n"
         "property float x\nproperty float y\nproperty float z\nend_header\n3 0 1 2\n0 0 0\n1 0 0\n",
         0, 2, inPart + "it ends at line 12, after 2 of its 3 vertex elements\n"},
        {"CR LF line ends", "ply\r\nformat ascii 1.0\r\nelement vertex 3\r\nproperty float x\r\nproperty float y\r\n"
                            "property float z\r\nelement face 1\r\nproperty list uchar int vertex_indices\r\n"
                            "end_header\r\n0 0 0\r\n1 0 0\r\n\r\n0 1 0\r\n3 0 1 2\r\n",
         1, 0, ""},
        {"binary after a CR LF", "ply\r\n" + triangleHeader.substr(4, triangleHeader.size() - 5) + "\r\n" +
                                     triangleVertices + triangleFace,
         1, 0, ""},
    };
    for (const Case& c : cases) {
        ProblemList problems;
        Mesh mesh = readPly(c.bytes, &problems);
        expectSaneMesh(mesh, c.name);
        bool points = mesh.primitive == MeshPrimitive::points;
        EXPECT_EQ(points ? 0 : mesh.indices.size() / 3, c.triangles) << c.name;
        EXPECT_EQ(points ? mesh.vertices.size() : 0, c.points) << c.name;
        EXPECT_EQ(toldProblems(problems, "m.ply"), c.told) << c.name;
    }
}

TEST(PlyReader, CountsPastTheFileTakeNoMemory)
{
    if (heapInUse() < 0)
        GTEST_SKIP() << "the heap in use cannot be told here";
    const std::string headers[] = {
        "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000000000000\nproperty float x\n"
        "property float y\nproperty float z\nend_header\n",
        "ply\nformat ascii 1.0\nelement vertex 4000000000000000000\nproperty float x\nproperty float y\n"
        "property float z\nend_header\n",
        "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
        "property float z\nelement face 4000000000000000000\nproperty list uint uint vertex_indices\nend_header\n" +
            triangleVertices + le("uint", 4000000000.0) + le("uint", 1),
    };
    for (const std::string& header : headers) {
        long long before = heapInUse();
        Mesh mesh;
        ProblemList problems;
        std::string bytes = header + triangleVertices + triangleFace;
        readPlyBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mesh, problems);
        EXPECT_LT(heapInUse() - before, 1 << 20) << header;
        EXPECT_NE(toldProblems(problems, "m.ply").find("only in part"), std::string::npos) << header;
    }
}

TEST(PlyReader, StopsWhenToldNotToGoOn)
{
    PlainModel torus = torusModel(TorusShape{300, 300, 13.0, 6.0, TorusLayout::positionsOnly});
    std::string bytes = plyText(torus, layout(PlyEncoding::binaryLittle));
    ASSERT_GT(bytes.size(), 2u << 20);
    for (size_t stopAt : {size_t(1), size_t(2), size_t(1000)}) {
        struct Count {
            size_t calls, stopAt;
            std::vector<size_t> offsets;
        } count = {0, stopAt, {}};
        ReadProgress progress;
        progress.context = &count;
        progress.passed = [](void* context, size_t offset) {
            Count& c = *static_cast<Count*>(context);
            c.offsets.push_back(offset);
            return ++c.calls < c.stopAt;
        };
        Mesh mesh;
        ProblemList problems;
        bool read = readPlyBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mesh, problems,
                                 progress);
        EXPECT_EQ(read, stopAt == 1000);
        EXPECT_EQ(mesh.vertices.empty(), !read);
        for (size_t i = 1; i < count.offsets.size(); ++i)
            EXPECT_GE(count.offsets[i], count.offsets[i - 1]);
        if (read) {  // every MB or so, and at the end
            EXPECT_GE(count.offsets.size(), bytes.size() >> 20);
            EXPECT_EQ(count.offsets.back(), bytes.size());
        }
    }
}
