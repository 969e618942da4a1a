#include "core/mesh/modelFile.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/stlReader.h"
#include "modelText.h"
#include "support/meshCheck.h"
#include "torusObj.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Mesh readStl(const std::string& bytes, ProblemList* problems = nullptr)
{
    Mesh mesh;
    ProblemList list;
    EXPECT_TRUE(readStlBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mesh, list));
    if (problems)
        *problems = list;
    return mesh;
}

// The model's positions and faces alone: what an STL file holds of it.
PlainModel positionsAndFaces(PlainModel model)
{
    model.normals.clear();
    model.texCoords.clear();
    model.colors.clear();
    return model;
}

// A box of n x n quads a side, its sides' facets in six planes sharing their corners: what CAD
// programs export, where neighbouring facets weld.
PlainModel boxOfQuads(int n)
{
    PlainModel model;
    for (int side = 0; side < 6; ++side) {
        int axis = side / 2;
        float at = side % 2 ? float(n) : 0.0f;
        uint32_t first = uint32_t(model.positions.size() / 3);
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j) {
                float p[3];
                p[axis] = at;
                p[(axis + 1) % 3] = float(i);
                p[(axis + 2) % 3] = float(j);
                model.positions.insert(model.positions.end(), {p[0], p[1], p[2]});
            }
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                uint32_t a = first + uint32_t(i * (n + 1) + j), b = a + uint32_t(n + 1);
                model.faceSizes.push_back(4);
                if (side % 2)
                    model.corners.insert(model.corners.end(), {a, b, b + 1, a + 1});
                else
                    model.corners.insert(model.corners.end(), {a, a + 1, b + 1, b});
            }
    }
    return model;
}

std::string le32(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[size_t(i)] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string leFloats(std::initializer_list<float> values)
{
    std::string bytes;
    for (float v : values) {
        uint32_t bits;
        memcpy(&bits, &v, 4);
        bytes += le32(bits);
    }
    return bytes;
}

std::string binaryHeader(uint32_t count, const std::string& text = "solid made by a test")
{
    std::string header = text;
    header.resize(80, ' ');
    return header + le32(count);
}

const std::string facet = leFloats({0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string(2, '\0');

std::string asciiFacet(const char* vertices = "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n")
{
    return std::string("facet normal 0 0 1\nouter loop\n") + vertices + "endloop\nendfacet\n";
}

} // namespace

TEST(StlReader, ReadsAsTheSameModelWrittenAsObjShadedFlat)
{
    struct Model {
        const char* name;
        PlainModel model;
    } models[] = {
        {"a curved surface", torusModel(TorusShape{12, 8, 13.0, 6.0, TorusLayout::positionsOnly})},
        {"quads, fanned", positionsAndFaces(torusModel(TorusShape{10, 6, 13.0, 6.0, TorusLayout::sharedQuads}))},
        {"planes of facets sharing corners", boxOfQuads(5)},
        {"past the 65,536 vertices of a batch", torusModel(TorusShape{150, 150, 13.0, 6.0, TorusLayout::positionsOnly})},
    };
    for (const Model& m : models) {
        ObjMesh expected;
        std::string obj = objText(m.model, true);
        readObjText(obj.data(), obj.size(), expected);
        for (bool binary : {true, false}) {
            ProblemList problems;
            Mesh read = readStl(stlText(m.model, binary), &problems);
            std::string context = std::string(m.name) + (binary ? ", binary" : ", ASCII");
            expectSameMesh(read, expected.mesh, context);
            EXPECT_EQ(toldProblems(problems, "m.stl"), "") << context;
        }
    }
}

TEST(StlReader, BadFilesAreToldAndWhatCanBeDrawnIsDrawn)
{
    const std::string inPart = "Read [m.stl] only in part: ";
    std::string nan = facet;
    const uint32_t nanBits = 0x7FC00000u;
    memcpy(&nan[12 + 16], &nanBits, 4);  // the second corner's y
    std::string words;
    for (int i = 0; i < 12; ++i)
        words += "word" + std::to_string(i) + " 1 2 3\n";
    std::string wordsTold;
    for (int i = 0; i < 8; ++i)
        wordsTold += "Ignored 1 statement [word" + std::to_string(i) + "] in [m.stl], first at line " +
                     std::to_string(i + 1) + "\n";
    wordsTold += "Ignored 4 statements [others] in [m.stl], first at line 9\n";

    struct Case {
        const char* name;
        std::string bytes;
        size_t triangles;
        std::string told;
    } cases[] = {
        {"empty", "", 0, ""},
        {"binary, too short for its count", std::string("\x01\x02\x03\x00\x05", 5), 0,
         inPart + "it ends at byte 5, before its count of facets\n"},
        {"binary, fewer facets than its count", binaryHeader(5) + facet + facet + "abc", 2,
         inPart + "it ends at byte 187, after 2 of its 5 facets\n"},
        {"binary, bytes after its facets", binaryHeader(1) + facet + "1234567", 1,
         "Ignored 7 bytes past the data of [m.stl], from byte 134\n"},
        {"binary, a count past what 32 bits hold of the file", binaryHeader(0xFFFFFFFFu) + facet, 1,
         inPart + "it ends at byte 134, after 1 of its 4294967295 facets\n"},
        {"binary, non-finite numbers", binaryHeader(2) + facet + nan, 2,
         "Read 1 non-finite number as 0 in [m.stl], first at byte " + std::to_string(84 + 50 + 28) + "\n"},
        {"binary whose header reads as ASCII STL, told by its size",
         binaryHeader(1, "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n") + facet, 1, ""},
        {"ASCII, a facet of two vertices",
         "solid t\n" + asciiFacet() + asciiFacet("vertex 0 0 0\nvertex 1 0 0\n") + "endsolid t\n", 1,
         "Skipped 1 facet of fewer than three vertices in [m.stl], first at line 9\n"},
        {"ASCII, a facet of four vertices, fanned",
         "solid t\n" + asciiFacet("vertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\n") + "endsolid t\n", 2,
         ""},
        {"ASCII, ending inside a facet", "solid t\n" + asciiFacet() + "facet normal 0 0 1\nouter loop\n"
                                                                        "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 1",
         2, inPart + "it ends at line 13, inside a facet\n"},
        {"ASCII, without endsolid", "solid t\n" + asciiFacet(), 1, inPart + "it ends at line 8, without endsolid\n"},
        {"ASCII, missing and non-finite numbers",
         "solid t\n" + asciiFacet("vertex 0 0\nvertex nan 0 0\nvertex 0 1 x\n") + "endsolid t\n", 1,
         "Read missing numbers as 0 in 2 records of [m.stl], first at line 4\n"
         "Read 1 non-finite number as 0 in [m.stl], first at line 5\n"},
        {"ASCII, a statement of another program", "solid t\ncolor 1 0 0\n" + asciiFacet() + "endsolid t\n", 1,
         "Ignored 1 statement [color] in [m.stl], first at line 2\n"},
        {"ASCII, many solids, one empty, CR LF line ends",
         "solid a\r\n" + asciiFacet() + "endsolid a\r\nsolid empty\r\nendsolid empty\r\n  solid b\r\n" + asciiFacet() +
             asciiFacet("vertex 5 0 0\r\nvertex 6 0 0\r\nvertex 5 1 0\r\n") + "endsolid b\r\n",
         3, ""},
        {"ASCII, corners outside any facet", "solid t\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendsolid t\n", 1, ""},
        {"text of other words: the first eight told", words, 0, wordsTold},
    };
    for (const Case& c : cases) {
        ProblemList problems;
        Mesh mesh = readStl(c.bytes, &problems);
        expectSaneMesh(mesh, c.name);
        EXPECT_EQ(mesh.primitive, MeshPrimitive::triangles) << c.name;
        EXPECT_EQ(mesh.indices.size() / 3, c.triangles) << c.name;
        EXPECT_EQ(toldProblems(problems, "m.stl"), c.told) << c.name;
    }
}

TEST(StlReader, StopsWhenToldNotToGoOn)
{
    PlainModel torus = torusModel(TorusShape{200, 200, 13.0, 6.0, TorusLayout::positionsOnly});
    for (bool binary : {true, false}) {
        std::string bytes = stlText(torus, binary);
        ASSERT_GT(bytes.size(), 3u << 20);
        for (size_t stopAt : {size_t(1), size_t(3), size_t(100000)}) {
            struct Count {
                size_t calls, stopAt;
            } count = {0, stopAt};
            ReadProgress progress;
            progress.context = &count;
            progress.passed = [](void* context, size_t) {
                Count& c = *static_cast<Count*>(context);
                return ++c.calls < c.stopAt;
            };
            Mesh mesh;
            ProblemList problems;
            bool read = readStlBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mesh,
                                     problems, progress);
            EXPECT_EQ(read, stopAt == 100000) << binary;
            EXPECT_EQ(mesh.indices.empty(), !read) << binary;
            if (read) {
                EXPECT_GE(count.calls, bytes.size() >> 20) << binary;
            }
        }
    }
}

TEST(ModelFile, PlyAndStlAreReadByTheirContentElseByTheirName)
{
    PlainModel torus = torusModel(TorusShape{8, 6, 13.0, 6.0, TorusLayout::positionsOnly});
    PlyLayout binaryPly;
    binaryPly.encoding = PlyEncoding::binaryLittle;
    struct Case {
        const char* stem;  // the name's end
        std::string bytes;
        size_t triangles;
        std::string told;
    } cases[] = {
        {".ply", plyText(torus), 96, ""},
        {".PLY", plyText(torus, binaryPly), 96, ""},
        {".stl", stlText(torus, false), 96, ""},
        {".STL", stlText(torus, true), 96, ""},
        {".Stl", stlText(torus, true) + "x", 96, "Ignored 1 byte past the data of [m], from byte 4884\n"},
        {".obj", stlText(torus, true), 96, "[m] is STL by its content, whatever its name says: read as such\n"},
        {".stl", plyText(torus), 96, "[m] is PLY by its content, whatever its name says: read as such\n"},
        {"", plyText(torus, binaryPly), 96, ""},
        {".obj", stlText(torus, false), 0, ""},  // ASCII STL has no signature: read as OBJ, which it is not
    };
    for (const Case& c : cases) {
        std::string path = writeTempFile(c.bytes, "spinview-model") + c.stem;
        ASSERT_EQ(rename(path.substr(0, path.size() - strlen(c.stem)).c_str(), path.c_str()), 0);
        Mesh mesh;
        ProblemList problems;
        ASSERT_EQ(readModelFile(path.c_str(), mesh, problems), FileStatus::ok) << c.stem;
        EXPECT_EQ(mesh.indices.size() / 3, c.triangles) << c.stem;
        EXPECT_EQ(toldProblems(problems, "m"), c.told) << c.stem;
        std::atomic<bool> cancel(true);
        EXPECT_EQ(readModelFile(path.c_str(), mesh, problems, &cancel), FileStatus::cancelled) << c.stem;
        EXPECT_TRUE(mesh.indices.empty());
        removeFile(path);
    }
}
