// The glTF reader against references: libassimp's reading of the same files (the glTF models of
// assimp-testmodels, files written here with transforms, modes and accessors of every kind), and
// our own OBJ reading of the same model exported as glTF; and one table of bad files.

#include "core/files/paths.h"
#include "core/mesh/gltfMesh.h"
#include "core/mesh/modelFile.h"
#include "support/gltfFiles.h"
#include "support/tempFile.h"
#include "torusObj.h"

#include <gtest/gtest.h>

#if SPINVIEW_TEST_ASSIMP
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

namespace {

struct Corner {
    Vector3 position, normal;
    Vector2 texCoord;
};
using Triangle = std::array<Corner, 3>;

std::vector<Triangle> trianglesOf(const Mesh& mesh)
{
    std::vector<Triangle> out;
    for (const MeshBatch& batch : mesh.batches)
        for (uint32_t i = batch.firstIndex; i + 2 < batch.firstIndex + batch.indexCount; i += 3) {
            Triangle t;
            for (int k = 0; k < 3; ++k) {
                const Vertex& v = mesh.vertices[batch.firstVertex + mesh.indices[i + uint32_t(k)]];
                t[size_t(k)] = Corner{v.position, v.normal, v.texCoord};
            }
            out.push_back(t);
        }
    return out;
}

std::vector<Triangle> readTriangles(const std::string& path, ProblemList* problems = nullptr)
{
    Mesh mesh;
    ProblemList ignored;
    EXPECT_EQ(readModelFile(path.c_str(), mesh, problems ? *problems : ignored), FileStatus::ok) << path;
    return trianglesOf(mesh);
}

bool near(float a, float b, float tolerance)
{
    return std::fabs(a - b) <= tolerance * std::max(1.0f, std::fabs(b));
}

bool nearAbsolute(const Vector3& a, const Vector3& b, float tolerance)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}

// Positions within `position` times the reference's largest coordinate (at least 1): a transform
// rounds to its size.
struct Tolerance {
    float position = 1e-5f, normal = 1e-3f, texCoord = 1e-5f;
    bool normals = true, texCoords = true;
};

bool sameCorner(const Corner& a, const Corner& b, const Tolerance& tolerance)
{
    return nearAbsolute(a.position, b.position, tolerance.position) &&
           (!tolerance.normals || nearAbsolute(a.normal, b.normal, tolerance.normal)) &&
           (!tolerance.texCoords ||
            (near(a.texCoord.x, b.texCoord.x, tolerance.texCoord) && near(a.texCoord.y, b.texCoord.y, tolerance.texCoord)));
}

// The same corners in any order.
bool sameTriangle(const Triangle& a, const Triangle& b, const Tolerance& tolerance)
{
    const int orders[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}};
    for (const auto& order : orders)
        if (sameCorner(a[0], b[size_t(order[0])], tolerance) && sameCorner(a[1], b[size_t(order[1])], tolerance) &&
            sameCorner(a[2], b[size_t(order[2])], tolerance))
            return true;
    return false;
}

std::string describe(const Triangle& t)
{
    char text[400];
    snprintf(text, sizeof(text), "(%g %g %g | %g %g %g | %g %g) (%g %g %g | %g %g %g | %g %g) (%g %g %g | ...)",
             t[0].position.x, t[0].position.y, t[0].position.z, t[0].normal.x, t[0].normal.y, t[0].normal.z,
             t[0].texCoord.x, t[0].texCoord.y, t[1].position.x, t[1].position.y, t[1].position.z, t[1].normal.x,
             t[1].normal.y, t[1].normal.z, t[1].texCoord.x, t[1].texCoord.y, t[2].position.x, t[2].position.y,
             t[2].position.z);
    return text;
}

// The same triangles in any order and any winding, corner by corner within the tolerance.
::testing::AssertionResult sameTriangles(std::vector<Triangle> ours, std::vector<Triangle> reference,
                                         const Tolerance& within = Tolerance())
{
    if (ours.size() != reference.size())
        return ::testing::AssertionFailure() << ours.size() << " triangles, the reference " << reference.size();
    float largest = 1.0f;
    for (const Triangle& t : reference)
        for (const Corner& c : t)
            largest = std::max({largest, std::fabs(c.position.x), std::fabs(c.position.y), std::fabs(c.position.z)});
    Tolerance tolerance = within;
    tolerance.position *= largest;
    auto key = [](const Triangle& t) {  // the centroid, rounded
        std::array<long long, 3> k;
        for (int axis = 0; axis < 3; ++axis) {
            double sum = 0;
            for (const Corner& c : t)
                sum += double((&c.position.x)[axis]);
            k[size_t(axis)] = std::llround(sum * 100.0);
        }
        return k;
    };
    for (std::vector<Triangle>* list : {&ours, &reference})
        std::stable_sort(list->begin(), list->end(), [&](const Triangle& a, const Triangle& b) { return key(a) < key(b); });
    // pairs in the same place match; the few whose keys rounded apart are matched among themselves
    std::vector<size_t> left;
    for (size_t i = 0; i < ours.size(); ++i)
        if (!sameTriangle(ours[i], reference[i], tolerance))
            left.push_back(i);
    if (left.size() > 5000)
        return ::testing::AssertionFailure() << left.size() << " triangles differ, first ours " << describe(ours[left[0]])
                                             << " reference " << describe(reference[left[0]]);
    std::vector<bool> taken(left.size(), false);
    for (size_t r : left) {
        bool found = false;
        for (size_t j = 0; j < left.size() && !found; ++j)
            if (!taken[j] && sameTriangle(ours[left[j]], reference[r], tolerance))
                found = taken[j] = true;
        if (!found) {
            auto distance = [&](const Triangle& t) {
                double d = 0;
                for (size_t k = 0; k < 3; ++k)
                    d += std::fabs(double(t[k].position.x) - reference[r][k].position.x) +
                         std::fabs(double(t[k].position.y) - reference[r][k].position.y) +
                         std::fabs(double(t[k].position.z) - reference[r][k].position.z);
                return d;
            };
            size_t nearest = 0;
            for (size_t i = 1; i < ours.size(); ++i)
                if (distance(ours[i]) < distance(ours[nearest]))
                    nearest = i;
            return ::testing::AssertionFailure() << "no triangle of ours matches the reference's " << describe(reference[r])
                                                 << "; the nearest is " << describe(ours[nearest]);
        }
    }
    return ::testing::AssertionSuccess();
}

// Every triangle turns, by its winding, towards the normals of its corners: faces face out.
::testing::AssertionResult windingFollowsNormals(const std::vector<Triangle>& triangles)
{
    for (const Triangle& t : triangles) {
        Vector3 a = t[0].position, b = t[1].position, c = t[2].position;
        double e1[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
        double e2[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
        double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        const Vector3& m = t[0].normal;
        if (n[0] * m.x + n[1] * m.y + n[2] * m.z <= 0.0)
            return ::testing::AssertionFailure() << "turned away from its normals: " << describe(t);
    }
    return ::testing::AssertionSuccess();
}

// A folder of files the test writes, removed after it.
struct Folder {
    std::string path = freshTempPath("spinview-gltf");
    Folder() { std::filesystem::create_directories(path); }
    ~Folder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::string file = path + "/" + name;
        FILE* out = fopen(file.c_str(), "wb");
        EXPECT_TRUE(out);
        if (out) {
            fwrite(bytes.data(), 1, bytes.size(), out);
            fclose(out);
        }
        return file;
    }
};

std::string cubeMesh(int first, const std::string& more = "")
{
    return "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(first) + ",\"NORMAL\":" +
           std::to_string(first + 1) + ",\"TEXCOORD_0\":" + std::to_string(first + 2) + "},\"indices\":" +
           std::to_string(first + 3) + more + "}]}";
}

// A cube drawn by one node.
GltfFile cubeFile(const std::string& nodes = "[{\"mesh\":0}]", const std::string& more = "")
{
    GltfFile file;
    int first = addGltfCube(file);
    file.rest = ",\"meshes\":[" + cubeMesh(first) + "],\"nodes\":" + nodes + ",\"scenes\":[{\"nodes\":[0]}],\"scene\":0" + more;
    return file;
}

#if SPINVIEW_TEST_ASSIMP
// libassimp's triangles of the file, each node's meshes in the world its transforms make (its own
// aiProcess_PreTransformVertices loses a mesh drawn by a node and its child), flat normals where
// the file has none; false when it does not read the file.
bool assimpTriangles(const std::string& path, std::vector<Triangle>& out)
{
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenNormals);
    if (!scene)
        return false;
    out.clear();
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> pending = {{scene->mRootNode, aiMatrix4x4()}};
    while (!pending.empty()) {
        const aiNode* node = pending.back().first;
        aiMatrix4x4 world = pending.back().second * node->mTransformation;
        pending.pop_back();
        aiMatrix3x3 normalMatrix = aiMatrix3x3(world);
        normalMatrix.Inverse().Transpose();
        for (unsigned c = 0; c < node->mNumChildren; ++c)
            pending.push_back({node->mChildren[c], world});
        for (unsigned m = 0; m < node->mNumMeshes; ++m) {
            const aiMesh& mesh = *scene->mMeshes[node->mMeshes[m]];
            if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE))
                continue;
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                Triangle t;
                for (size_t k = 0; k < 3; ++k) {
                    unsigned i = mesh.mFaces[f].mIndices[k];
                    aiVector3D p = world * mesh.mVertices[i];
                    aiVector3D n = mesh.mNormals ? normalMatrix * mesh.mNormals[i] : aiVector3D();
                    n.Normalize();
                    aiVector3D uv = mesh.mTextureCoords[0] ? mesh.mTextureCoords[0][i] : aiVector3D();
                    t[k] = Corner{{p.x, p.y, p.z}, {n.x, n.y, n.z}, {uv.x, uv.y}};
                }
                out.push_back(t);
            }
        }
    }
    return true;
}

const std::string testModels = "/usr/share/assimp/models/glTF2/";
#endif

} // namespace

#if SPINVIEW_TEST_ASSIMP
// The glTF models of assimp-testmodels: their triangles as libassimp reads them, transforms
// applied (winding aside: it does not turn a mirrored node's), and facing out where they are closed.
TEST(GltfReader, ReadsTheTestModelsAsAssimpReadsThem)
{
    if (!std::filesystem::exists(testModels)) {
        GTEST_SKIP() << "assimp-testmodels is not installed";
    }
    const struct {
        const char* file;
        bool closed;
    } models[] = {
        {"BoxTextured-glTF/BoxTextured.gltf", true},
        {"BoxTextured-glTF-Binary/BoxTextured.glb", true},
        {"BoxTextured-glTF-Embedded/BoxTextured.gltf", true},
        {"BoxTexcoords-glTF/boxTexcoords.gltf", false},
        {"2CylinderEngine-glTF-Binary/2CylinderEngine.glb", false},
        {"IncorrectVertexArrays/Cube.gltf", false},
        {"glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf", false},
    };
    for (const auto& model : models) {
        std::string path = testModels + model.file;
        if (!std::filesystem::exists(path))
            continue;
        std::vector<Triangle> reference;
        ASSERT_TRUE(assimpTriangles(path, reference)) << path;
        std::vector<Triangle> ours = readTriangles(path);
        EXPECT_TRUE(sameTriangles(ours, reference)) << path;
        if (model.closed) {
            EXPECT_TRUE(windingFollowsNormals(ours)) << path;
        }
    }
    // every primitive mode, index type and strip or fan of the asset generator's files
    for (int i = 0; i < 16; ++i) {
        char name[128];
        snprintf(name, sizeof(name), "glTF-Asset-Generator/Mesh_PrimitiveMode/Mesh_PrimitiveMode_%02d.gltf", i);
        std::string path = testModels + name;
        if (!std::filesystem::exists(path))
            continue;
        std::vector<Triangle> reference;
        ASSERT_TRUE(assimpTriangles(path, reference)) << path;
        Tolerance tolerance;
        tolerance.normals = false;  // flat where the file has none: assimp's per face, ours too, but
                                    // assimp shares a strip's corners between faces
        EXPECT_TRUE(sameTriangles(readTriangles(path), reference, tolerance)) << path;
    }
}

// A file of every transform and accessor form: nested nodes of TRS and matrices, a mirroring
// one, strips and fans, indices of 8, 16 and 32 bits, an interleaved (strided) buffer view,
// normalized texture coordinates, a sparse accessor and primitives without normals.
// libassimp reads normalized texture coordinates as bytes, and a sparse accessor over an
// interleaved view as garbage: its reference file has floats and the sparse values in place.
GltfFile formsFile(bool reference)
{
    bool normalized = !reference;
    GltfFile file;
    int cube = addGltfCube(file);
    // a strip and a fan over a grid of 3 x 3 points, interleaved: position, then texture
    // coordinates, normalized unsigned bytes or floats
    struct Point {
        float position[3];
        uint8_t texCoord[2];
        uint8_t pad[2];
        float texCoordFloat[2];
    };
    std::vector<Point> points;
    std::vector<float> normals;  // of the surface z = x y / 4
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            points.push_back(Point{{float(x), float(y), float(x * y) * 0.25f}, {uint8_t(x * 127), uint8_t(y * 127)},
                                   {0, 0}, {float(x * 127) / 255.0f, float(y * 127) / 255.0f}});
            double n[3] = {-y / 4.0, -x / 4.0, 1.0}, length = std::sqrt(n[0] * n[0] + n[1] * n[1] + 1.0);
            normals.insert(normals.end(), {float(n[0] / length), float(n[1] / length), float(n[2] / length)});
        }
    int interleaved = file.view(points, sizeof(Point));
    int gridNormals = file.accessor(file.view(normals), gltfFloat, 9, "VEC3");
    int stripPositions = file.accessor(interleaved, gltfFloat, 9, "VEC3", ",\"min\":[0,0,0],\"max\":[2,2,1]");
    int stripTexCoords = normalized ? file.accessor(interleaved, gltfUnsignedByte, 9, "VEC2", ",\"normalized\":true", 12)
                                    : file.accessor(interleaved, gltfFloat, 9, "VEC2", "", 16);
    std::vector<uint8_t> strip = {3, 0, 4, 1, 5, 2};
    std::vector<uint32_t> fan = {4, 0, 1, 2, 5, 8, 7};
    int stripIndices = file.accessor(file.view(strip), gltfUnsignedByte, strip.size(), "SCALAR");
    int fanIndices = file.accessor(file.view(fan), gltfUnsignedInt, fan.size(), "SCALAR");
    // the grid's positions again, two of them lifted by a sparse part
    std::vector<uint16_t> sparseIndices = {1, 7};
    std::vector<float> sparseValues = {1, 0, 2, 1, 2, 3};
    int sparseIndexView = file.view(sparseIndices), sparseValueView = file.view(sparseValues);
    int sparse = file.accessor(interleaved, gltfFloat, 9, "VEC3",
                               ",\"min\":[0,0,0],\"max\":[2,2,3],\"sparse\":{\"count\":2,\"indices\":{\"bufferView\":" +
                                   std::to_string(sparseIndexView) + ",\"componentType\":5123},\"values\":{\"bufferView\":" +
                                   std::to_string(sparseValueView) + "}}");
    if (reference) {
        std::vector<float> lifted;
        for (const Point& point : points)
            lifted.insert(lifted.end(), point.position, point.position + 3);
        for (size_t k = 0; k < sparseIndices.size(); ++k)
            std::copy(&sparseValues[3 * k], &sparseValues[3 * k] + 3, &lifted[3 * sparseIndices[k]]);
        sparse = file.accessor(file.view(lifted), gltfFloat, 9, "VEC3", ",\"min\":[0,0,0],\"max\":[2,2,3]");
    }
    std::string prim = "{\"attributes\":{\"POSITION\":%P,\"NORMAL\":%N,\"TEXCOORD_0\":%T},\"indices\":%I,\"mode\":%M}";
    auto primitive = [&](int positions, int indices, int mode) {
        std::string text = prim;
        text.replace(text.find("%P"), 2, std::to_string(positions));
        text.replace(text.find("%T"), 2, std::to_string(stripTexCoords));
        text.replace(text.find("%N"), 2, std::to_string(gridNormals));
        text.replace(text.find("%I"), 2, std::to_string(indices));
        text.replace(text.find("%M"), 2, std::to_string(mode));
        return text;
    };
    file.rest = ",\"meshes\":[" + cubeMesh(cube) + ",{\"primitives\":[" + primitive(stripPositions, stripIndices, 5) +
                "," + primitive(stripPositions, fanIndices, 6) + "," + primitive(sparse, stripIndices, 5) + "]}]" +
                ",\"nodes\":["
                "{\"children\":[1,2,3],\"translation\":[1,2,3],\"rotation\":[0.2,0.3,0.1,0.9273618],\"scale\":[1,2,0.5]},"
                "{\"mesh\":0,\"matrix\":[0,1,0,0,-1,0,0,0,0,0,1,0,5,0,0,1]},"
                "{\"mesh\":0,\"scale\":[-1,1,1],\"translation\":[0,0,4]},"
                "{\"mesh\":1,\"children\":[4],\"rotation\":[0,0.7071068,0,0.7071068]},"
                "{\"mesh\":1,\"scale\":[1,-2,1]}],"
                "\"scenes\":[{\"nodes\":[]},{\"nodes\":[0]}],\"scene\":1";
    return file;
}

TEST(GltfReader, ReadsTransformsModesAndAccessorsAsAssimpReadsThem)
{
    Folder folder;
    GltfFile file = formsFile(false);
    folder.write("forms.bin", file.bin);
    std::vector<std::string> paths = {folder.write("forms.gltf", file.json("forms.bin")),
                                      folder.write("forms-embedded.gltf", file.embedded()),
                                      folder.write("forms.glb", file.glb())};
    std::vector<Triangle> reference;
    ASSERT_TRUE(assimpTriangles(folder.write("forms-floats.gltf", formsFile(true).embedded()), reference));
    EXPECT_EQ(reference.size(), 2u * 12u + 2u * (4u + 5u + 4u));
    for (const std::string& path : paths) {
        ProblemList problems;
        std::vector<Triangle> ours = readTriangles(path, &problems);
        EXPECT_TRUE(problems.problems.empty()) << path;
        EXPECT_TRUE(sameTriangles(ours, reference)) << path;
        EXPECT_TRUE(windingFollowsNormals(ours)) << path;  // the mirrored cube and grids too
    }
}

// The torus written by our generator as OBJ, exported by libassimp as glTF and GLB: our glTF
// reading gives our OBJ reading's triangles.
TEST(GltfReader, ReadsAnObjModelExportedAsGltfAsTheObjReaderReadsIt)
{
    Folder folder;
    std::string obj = folder.write("torus.obj", torusObj(TorusShape{48, 24, 15.0, 4.0, TorusLayout::shared}));
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(obj, 0);
    ASSERT_TRUE(scene);
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(scene, "gltf2", folder.path + "/torus.gltf"), AI_SUCCESS);
    ASSERT_EQ(exporter.Export(scene, "glb2", folder.path + "/torus.glb"), AI_SUCCESS);
    std::vector<Triangle> reference = readTriangles(obj);
    ASSERT_EQ(reference.size(), 48u * 24u * 2u);
    EXPECT_TRUE(sameTriangles(readTriangles(folder.path + "/torus.gltf"), reference));
    EXPECT_TRUE(sameTriangles(readTriangles(folder.path + "/torus.glb"), reference));
}
#endif

// Bad files: each is told, by the kind of problem expected, and what can be drawn is drawn.
TEST(GltfReader, BadFilesAreToldAndWhatCanBeDrawnIsDrawn)
{
    using Files = std::vector<std::pair<std::string, std::string>>;  // the model first
    auto gltfWithBin = [](const GltfFile& file) {
        return Files{{"model.gltf", file.json("model.bin")}, {"model.bin", file.bin}};
    };
    auto embedded = [](const GltfFile& file) { return Files{{"model.gltf", file.embedded()}}; };
    // two cubes, the second one's data after the first's, each drawn by a node
    auto twoCubes = [] {
        GltfFile file;
        int first = addGltfCube(file);
        int second = addGltfCube(file);
        file.rest = ",\"meshes\":[" + cubeMesh(first) + "," + cubeMesh(second) +
                    "],\"nodes\":[{\"children\":[1]},{\"mesh\":1,\"translation\":[2,0,0]},{\"mesh\":0}],"
                    "\"scenes\":[{\"nodes\":[0,2]}]";
        return file;
    };
    size_t firstCubeBytes = [] {
        GltfFile file;
        addGltfCube(file);
        return file.bin.size();
    }();
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        return text;
    };
    auto jsonOnly = [](const std::string& json) { return Files{{"model.gltf", json}}; };
    std::string deepNodes;
    for (int i = 0; i < 100000; ++i)
        deepNodes += (i ? ",{\"children\":[" : "[{\"children\":[") + std::to_string(i + 1) + "]}";
    deepNodes += ",{\"mesh\":0}]";

    const size_t someTriangles = ~size_t(0);  // some drawn, not all
    const struct {
        const char* name;
        std::function<Files()> files;
        ProblemKind told;
        size_t triangles;
    } cases[] = {
        // the document
        {"malformed JSON", [&] { return jsonOnly("{\"asset\":{\"version\":\"2.0\"},\"meshes\":["); },
         ProblemKind::gltfUnreadable, 0},
        {"JSON nested too deep",
         [&] { return jsonOnly("{\"asset\":{\"version\":\"2.0\",\"extras\":" + std::string(100000, '[') +
                               std::string(100000, ']') + "}}"); },
         ProblemKind::gltfUnreadable, 0},
        {"a number too large for a double", [&] { return jsonOnly("{\"asset\":{\"version\":\"2.0\"},\"scene\":1e999}"); },
         ProblemKind::gltfUnreadable, 0},
        {"glTF 1.0", [&] { return jsonOnly("{\"asset\":{\"version\":\"1.0\"}}"); }, ProblemKind::gltfUnreadable, 0},
        {"not an object", [&] { return jsonOnly("[1, 2]"); }, ProblemKind::gltfUnreadable, 0},
        {"a scene without meshes", [&] { return jsonOnly("{\"asset\":{\"version\":\"2.0\"},\"scenes\":[{}]}"); },
         ProblemKind::gltfNothingDrawn, 0},
        {"a GLB of version 1", [&] { return Files{{"model.glb", replaced(cubeFile().glb(), std::string("\2\0\0\0", 4), std::string("\1\0\0\0", 4))}}; },
         ProblemKind::gltfUnreadable, 0},
        {"a GLB named .obj", [&] { return Files{{"model.obj", cubeFile().glb()}}; }, ProblemKind::readByContent, 12},
        {"required Draco compression",
         [&] { return embedded(cubeFile("[{\"mesh\":0}]", ",\"extensionsRequired\":[\"KHR_draco_mesh_compression\"]")); },
         ProblemKind::gltfRequiredExtensions, 12},
        // buffers
        {"a missing .bin", [&] { return Files{{"model.gltf", cubeFile().json("model.bin")}}; },
         ProblemKind::gltfMissingBuffers, 0},
        {"a data: URI that does not decode", [&] { return jsonOnly(replaced(cubeFile().embedded(), "base64,", "base64,@")); },
         ProblemKind::gltfMissingBuffers, 0},
        {"a .bin cut short: the first cube drawn",
         [&] {
             Files files = gltfWithBin(twoCubes());
             files[1].second.resize(firstCubeBytes);
             return files;
         },
         ProblemKind::gltfShortBuffers, 12},
        {"a GLB cut short: the first cube drawn",
         [&] {
             std::string glb = twoCubes().glb();
             return Files{{"model.glb", glb.substr(0, glb.size() - firstCubeBytes / 2)}};
         },
         ProblemKind::gltfShortBuffers, 12},
        {"a byteLength of 2^52 bytes",
         [&] {
             Files files = gltfWithBin(cubeFile());
             files[0].second = replaced(files[0].second, "\"byteLength\":" + std::to_string(files[1].second.size()),
                                        "\"byteLength\":4503599627370496");
             return files;
         },
         ProblemKind::gltfShortBuffers, 12},
        // accessors
        {"an accessor of 2^52 elements",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.accessors[0] = replaced(f.accessors[0], "\"count\":24", "\"count\":4503599627370496"); return f; }()); },
         ProblemKind::gltfAccessorsPastData, 0},
        {"an accessor of 2^50 elements without a buffer view",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.accessors[0] = "{\"componentType\":5126,\"count\":1125899906842624,\"type\":\"VEC3\"}"; return f; }()); },
         ProblemKind::gltfAccessorsPastData, 0},
        {"a buffer view past its buffer",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.bufferViews[0] = replaced(f.bufferViews[0], "\"byteOffset\":0", "\"byteOffset\":18446744073709551000"); return f; }()); },
         ProblemKind::gltfAccessorsPastData, 0},
        {"a stride shorter than an element",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.bufferViews[0] = replaced(f.bufferViews[0], "}", ",\"byteStride\":4}"); return f; }()); },
         ProblemKind::gltfBadAccessors, 0},
        {"positions of two components",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.accessors[0] = replaced(f.accessors[0], "VEC3", "VEC2"); return f; }()); },
         ProblemKind::gltfBadAccessors, 0},
        {"normals fewer than the positions: flat ones",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.accessors[1] = replaced(f.accessors[1], "\"count\":24", "\"count\":20"); return f; }()); },
         ProblemKind::gltfBadAccessors, 12},
        {"a sparse part past its view",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.accessors[0] = replaced(f.accessors[0], "}", ",\"sparse\":{\"count\":20,\"indices\":{\"bufferView\":3,\"byteOffset\":60,\"componentType\":5123},\"values\":{\"bufferView\":0}}}"); return f; }()); },
         ProblemKind::gltfAccessorsPastData, 0},
        {"NaN and infinite positions",
         [&] {
             GltfFile f = cubeFile();
             const float bad[2] = {std::nanf(""), INFINITY};
             memcpy(&f.bin[0], bad, sizeof(bad));
             return embedded(f);
         },
         ProblemKind::gltfNonFiniteNumbers, 12},
        // primitives
        {"an index past the vertices",
         [&] {
             GltfFile f = cubeFile();
             size_t indices = f.bin.size() - 36 * 2;
             f.bin[indices] = char(0xE8), f.bin[indices + 1] = 3;  // 1000
             return embedded(f);
         },
         ProblemKind::gltfIndicesPastVertices, 11},
        {"points and lines beside triangles",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.rest = replaced(f.rest, "}]}]", "},{\"attributes\":{\"POSITION\":0},\"mode\":0},{\"attributes\":{\"POSITION\":0},\"mode\":1}]}]"); return f; }()); },
         ProblemKind::pointsAndLines, 12},
        {"an unknown mode",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.rest = replaced(f.rest, "\"indices\":3", "\"indices\":3,\"mode\":9"); return f; }()); },
         ProblemKind::gltfBadPrimitives, 0},
        {"no positions",
         [&] { return embedded([&] { GltfFile f = cubeFile(); f.rest = replaced(f.rest, "\"POSITION\"", "\"COLOR_1\""); return f; }()); },
         ProblemKind::gltfBadPrimitives, 0},
        {"a material past the materials",
         [&] { return embedded([&] { GltfFile f = cubeFile("[{\"mesh\":0}]", ",\"materials\":[{}]"); f.rest = replaced(f.rest, "\"indices\":3", "\"indices\":3,\"material\":7"); return f; }()); },
         ProblemKind::gltfBadReferences, 12},
        {"a texture past the textures",
         [&] { return embedded(cubeFile("[{\"mesh\":0}]", ",\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":4}}}]")); },
         ProblemKind::gltfBadReferences, 12},
        // nodes
        {"a mesh past the meshes", [&] { return embedded(cubeFile("[{\"mesh\":3}]")); }, ProblemKind::gltfBadReferences, 0},
        {"a node its own child", [&] { return embedded(cubeFile("[{\"mesh\":0,\"children\":[0]}]")); },
         ProblemKind::gltfBadNodes, 12},
        {"a cycle of nodes", [&] { return embedded(cubeFile("[{\"mesh\":0,\"children\":[1]},{\"children\":[2]},{\"children\":[0]}]")); },
         ProblemKind::gltfBadNodes, 12},
        {"a node of two parents: drawn once",
         [&] { return embedded(cubeFile("[{\"children\":[1,2]},{\"children\":[3]},{\"children\":[3]},{\"mesh\":0}]")); },
         ProblemKind::gltfBadNodes, 12},
        {"a child past the nodes", [&] { return embedded(cubeFile("[{\"mesh\":0,\"children\":[9]}]")); },
         ProblemKind::gltfBadNodes, 12},
        {"transforms that overflow",
         [&] { return embedded(cubeFile("[{\"scale\":[1e300,1,1],\"children\":[1]},{\"mesh\":0,\"scale\":[1e300,1,1]}]")); },
         ProblemKind::gltfBadTransforms, 12},
        {"20,000 nodes drawing one mesh: those within 16 vertices and indices a byte of the file",
         [&] {
             GltfFile f;
             std::vector<uint32_t> fan(1 << 12, 0);
             for (size_t i = 1; i < fan.size(); ++i)
                 fan[i] = uint32_t(i % 3 + 1);
             std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
             int positions = f.accessor(f.view(corners), gltfFloat, 4, "VEC3");
             int normals = f.accessor(f.view(corners), gltfFloat, 4, "VEC3");
             int indices = f.accessor(f.view(fan), gltfUnsignedInt, fan.size(), "SCALAR");
             std::string nodes = "[{\"children\":[1";
             for (int i = 2; i <= 20000; ++i)
                 nodes += "," + std::to_string(i);
             nodes += "]}";
             for (int i = 1; i <= 20000; ++i)
                 nodes += ",{\"mesh\":0}";
             f.rest = ",\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(positions) +
                      ",\"NORMAL\":" + std::to_string(normals) + "},\"indices\":" + std::to_string(indices) +
                      ",\"mode\":6}]}],\"nodes\":" + nodes + "],\"scenes\":[{\"nodes\":[0]}]";
             return Files{{"model.glb", f.glb()}};
         },
         ProblemKind::gltfPastOutputLimit, someTriangles},
        {"a chain of 100,000 nodes: drawn, silently", [&] { return embedded(cubeFile(deepNodes)); }, ProblemKind::fileShrank, 12},
    };
    for (const auto& c : cases) {
        Folder folder;
        Files files = c.files();
        std::string model;
        for (const auto& named : files) {
            std::string path = folder.write(named.first, named.second);
            if (model.empty())
                model = path;
        }
        Mesh mesh;
        ProblemList problems;
        ASSERT_EQ(readModelFile(model.c_str(), mesh, problems), FileStatus::ok) << c.name;
        if (c.triangles == someTriangles)
            EXPECT_TRUE(!mesh.indices.empty() && mesh.indices.size() < 20000u * 3 * 4094) << c.name;
        else
            EXPECT_EQ(mesh.indices.size(), 3 * c.triangles) << c.name;
        if (c.told == ProblemKind::fileShrank)  // none
            EXPECT_TRUE(problems.problems.empty()) << c.name;
        else
            EXPECT_TRUE(std::any_of(problems.problems.begin(), problems.problems.end(),
                                    [&](const Problem& p) { return p.kind == c.told; }))
                << c.name;
        for (const Vertex& v : mesh.vertices)
            ASSERT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.position.y) && std::isfinite(v.position.z))
                << c.name;
    }
}

// The files a model names go into Mesh::files, stamped before they are read; its images are
// maps of files or images it holds, each once.
TEST(GltfReader, NamesItsFilesAndTakesItsImagesOnce)
{
    GltfFile file = cubeFile("[{\"mesh\":0}]",
                             ",\"materials\":[{\"name\":\"a\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0},"
                             "\"metallicFactor\":0.25,\"roughnessFactor\":0.5},\"normalTexture\":{\"index\":1},"
                             "\"emissiveFactor\":[1,0.5,0],\"alphaMode\":\"MASK\",\"alphaCutoff\":0.3,\"doubleSided\":true},"
                             "{\"name\":\"b\",\"occlusionTexture\":{\"index\":1},\"emissiveTexture\":{\"index\":0}}],"
                             "\"textures\":[{\"source\":0},{\"source\":1}],"
                             "\"images\":[{\"uri\":\"wood%20grain.png\"},{\"uri\":\"data:image/png;base64,iVBORw0KGgo=\"}]");
    Folder folder;
    folder.write("model.bin", file.bin);
    std::string model = folder.write("model.gltf", file.json("model.bin"));
    Mesh mesh;
    ProblemList problems;
    ASSERT_EQ(readModelFile(model.c_str(), mesh, problems), FileStatus::ok);
    ASSERT_EQ(mesh.files.size(), 1u);
    EXPECT_EQ(mesh.files[0].path, foldedPath(folder.path + "/model.bin"));  // separators made '/'
    EXPECT_TRUE(mesh.files[0].stamp.exists);
    ASSERT_EQ(mesh.materials.size(), 3u);  // the default first
    const Material& a = mesh.materials[1];
    EXPECT_EQ(a.name, "a");
    EXPECT_EQ(a.diffuseMap.file, foldedPath(folder.path + "/wood grain.png"));
    EXPECT_EQ(a.normalMap.embedded, 0);
    EXPECT_EQ(a.metallic, 0.25f);
    EXPECT_EQ(a.roughness, 0.5f);
    EXPECT_EQ(a.emissive.y, 0.5f);
    EXPECT_EQ(a.alphaMode, AlphaMode::mask);
    EXPECT_EQ(a.alphaCutoff, 0.3f);
    EXPECT_TRUE(a.doubleSided);
    const Material& b = mesh.materials[2];
    EXPECT_EQ(b.occlusionMap.embedded, 0);
    EXPECT_EQ(b.emissiveMap.file, a.diffuseMap.file);
    ASSERT_EQ(mesh.images.size(), 1u);
    EXPECT_EQ(mesh.images[0].bytes.size(), 8u);  // the PNG signature
    ASSERT_EQ(mesh.ranges.size(), 1u);
    EXPECT_EQ(mesh.ranges[0].material, 0u);  // the cube's primitive names none
}
