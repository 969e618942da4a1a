// The general importer through libassimp: the module spinview-importer.so (importerModule.h), of
// this file and the few core files it calls, loaded by the core when a file needs it.
#include "core/mesh/importerModule.h"

#include "core/files/paths.h"
#include "core/math/matrix3.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/version.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <exception>

namespace {

// The formats the viewer's own readers always take, whatever the importer could read.
bool readHere(const char* extension)
{
    for (const char* own : {".obj", ".gltf", ".glb", ".ply", ".stl"})
        if (strcmp(extension, own) == 0)
            return true;
    return false;
}

float finiteOr(float value, float fallback)
{
    return std::isfinite(value) ? value : fallback;
}

Vector3 materialColor(const aiMaterial& material, const char* key, unsigned type, unsigned index, Vector3 fallback)
{
    aiColor3D color;
    if (material.Get(key, type, index, color) != AI_SUCCESS)
        return fallback;
    return Vector3{finiteOr(color.r, fallback.x), finiteOr(color.g, fallback.y), finiteOr(color.b, fallback.z)};
}

// A material's diffuse (or base color) map: a file beside the model, or an image it holds, made
// one of out.images once (`imageOf`: per embedded texture, its index there or -1).
MaterialMap diffuseMap(const aiScene& scene, const aiMaterial& material, const char* path, Mesh& out,
                       std::vector<int32_t>& imageOf)
{
    MaterialMap map;
    aiString name;
    if (material.GetTexture(aiTextureType_DIFFUSE, 0, &name) != AI_SUCCESS &&
        material.GetTexture(aiTextureType_BASE_COLOR, 0, &name) != AI_SUCCESS)
        return map;
    std::pair<const aiTexture*, int> embedded = scene.GetEmbeddedTextureAndIndex(name.C_Str());
    if (!embedded.first) {
        std::string file = name.C_Str();
        for (char& c : file)
            if (c == '\\')
                c = '/';
        map.file = pathBeside(path, file);
        return map;
    }
    // only encoded images (PNG, JPEG) are taken; raw texels are rare
    const aiTexture& texture = *embedded.first;
    if (texture.mHeight != 0 || embedded.second < 0 || size_t(embedded.second) >= imageOf.size())
        return map;
    int32_t& image = imageOf[size_t(embedded.second)];
    if (image < 0) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(texture.pcData);
        image = int32_t(out.images.size());
        out.images.push_back(EmbeddedImage{std::string(path) + " texture " + std::to_string(embedded.second),
                                           std::vector<unsigned char>(bytes, bytes + texture.mWidth)});
    }
    map.embedded = image;
    return map;
}

void readMaterials(const aiScene& scene, const char* path, Mesh& out)
{
    out.materials.assign(1, Material());
    std::vector<int32_t> imageOf(scene.mNumTextures, -1);
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
        const aiMaterial& from = *scene.mMaterials[i];
        Material material;
        aiString name;
        material.name = from.Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name.length > 0 ? name.C_Str()
                                                                                         : "material " + std::to_string(i);
        material.diffuse = materialColor(from, AI_MATKEY_COLOR_DIFFUSE, material.diffuse);
        material.ambient = materialColor(from, AI_MATKEY_COLOR_AMBIENT, material.ambient);
        material.specular = materialColor(from, AI_MATKEY_COLOR_SPECULAR, material.specular);
        float number;
        if (from.Get(AI_MATKEY_SHININESS, number) == AI_SUCCESS)
            material.shininess = finiteOr(number, 0.0f);
        if (from.Get(AI_MATKEY_OPACITY, number) == AI_SUCCESS && std::isfinite(number))
            material.opacity = number < 0.0f ? 0.0f : number > 1.0f ? 1.0f : number;
        material.diffuseMap = diffuseMap(scene, from, path, out, imageOf);
        out.materials.push_back(material);
    }
}

// A node's world transform in double, column-major (element (r, c) at 4c + r), and its normals'.
struct NodeTransform {
    double m[16];
    double normal[9];  // cofactors of the upper 3 x 3, times the sign of its determinant
    bool mirrors;
};

NodeTransform nodeTransform(const aiMatrix4x4& world)
{
    NodeTransform t;
    const ai_real* rows = &world.a1;  // row-major
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t.m[4 * c + r] = double(rows[4 * r + c]);
    t.mirrors = cofactorNormals(t.m, t.normal);
    return t;
}

Vertex worldVertex(const NodeTransform& t, const aiMesh& mesh, unsigned i)
{
    const double* m = t.m;
    const aiVector3D& p = mesh.mVertices[i];
    Vertex v;
    v.position = Vector3{float(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]),
                         float(m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]),
                         float(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14])};
    if (!std::isfinite(v.position.x) || !std::isfinite(v.position.y) || !std::isfinite(v.position.z))
        v.position = Vector3{0.0f, 0.0f, 0.0f};
    v.normal = Vector3{0.0f, 0.0f, 0.0f};
    if (mesh.mNormals) {
        const aiVector3D& q = mesh.mNormals[i];
        const double* n = t.normal;
        double x = n[0] * q.x + n[3] * q.y + n[6] * q.z;
        double y = n[1] * q.x + n[4] * q.y + n[7] * q.z;
        double z = n[2] * q.x + n[5] * q.y + n[8] * q.z;
        double length = std::sqrt(x * x + y * y + z * z);
        if (length > 0.0 && std::isfinite(length))
            v.normal = Vector3{float(x / length), float(y / length), float(z / length)};
    }
    v.texCoord = Vector2{0.0f, 0.0f};
    if (mesh.mTextureCoords[0])
        v.texCoord = Vector2{finiteOr(mesh.mTextureCoords[0][i].x, 0.0f), finiteOr(mesh.mTextureCoords[0][i].y, 0.0f)};
    return v;
}

// Appends the mesh's triangles in the node's world.
void appendMesh(const aiMesh& mesh, const NodeTransform& t, unsigned index, WeldedMesh& welded,
                std::vector<MaterialRun>& runs, size_t materials, uint32_t& triangles, ProblemList& problems)
{
    if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) {
        noticeProblem(problems, ProblemKind::pointsAndLines, std::string(), std::string(), index);
        return;
    }
    uint32_t base = uint32_t(welded.vertices.size());
    bool colored = mesh.mColors[0] != nullptr;
    if (colored && welded.colors.empty())
        welded.colors.assign(welded.vertices.size(), Vector3{1.0f, 1.0f, 1.0f});
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        welded.vertices.push_back(worldVertex(t, mesh, i));
        if (colored)
            welded.colors.push_back(Vector3{finiteOr(mesh.mColors[0][i].r, 1.0f), finiteOr(mesh.mColors[0][i].g, 1.0f),
                                            finiteOr(mesh.mColors[0][i].b, 1.0f)});
        else if (!welded.colors.empty())
            welded.colors.push_back(Vector3{1.0f, 1.0f, 1.0f});
    }
    uint32_t material = mesh.mMaterialIndex < materials ? mesh.mMaterialIndex + 1 : 0;
    if (runs.empty() || runs.back().material != material)
        runs.push_back(MaterialRun{triangles, material});
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3 || face.mIndices[0] >= mesh.mNumVertices || face.mIndices[1] >= mesh.mNumVertices ||
            face.mIndices[2] >= mesh.mNumVertices)
            continue;
        uint32_t b = face.mIndices[1], c = face.mIndices[2];
        if (t.mirrors)
            std::swap(b, c);
        welded.indices.insert(welded.indices.end(), {base + face.mIndices[0], base + b, base + c});
        ++triangles;
    }
}

// Appends the triangles of every mesh of every node, walked depth first without recursion.
void appendScene(const aiScene& scene, WeldedMesh& welded, std::vector<MaterialRun>& runs, ProblemList& problems)
{
    struct Pending {
        const aiNode* node;
        aiMatrix4x4 parent;
    };
    std::vector<Pending> pending;
    if (scene.mRootNode)
        pending.push_back(Pending{scene.mRootNode, aiMatrix4x4()});
    uint32_t triangles = 0;
    while (!pending.empty()) {
        Pending next = pending.back();
        pending.pop_back();
        aiMatrix4x4 world = next.parent * next.node->mTransformation;
        NodeTransform t = nodeTransform(world);
        for (unsigned i = 0; i < next.node->mNumMeshes; ++i)
            if (next.node->mMeshes[i] < scene.mNumMeshes)
                appendMesh(*scene.mMeshes[next.node->mMeshes[i]], t, next.node->mMeshes[i], welded, runs,
                           scene.mNumMaterials, triangles, problems);
        for (unsigned i = next.node->mNumChildren; i-- > 0;)
            if (next.node->mChildren[i])
                pending.push_back(Pending{next.node->mChildren[i], world});
    }
}

// readImportedFile's work (importer.h), for a path that names a regular file.
FileStatus readFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    out = Mesh();
    Assimp::Importer importer;
    const aiScene* scene = nullptr;
    std::string error;
    try {
        scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals);
        if (!scene)
            error = importer.GetErrorString();
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (cancel && cancel->load(std::memory_order_relaxed))
        return FileStatus::cancelled;
    if (!scene) {
        noticeProblem(problems, ProblemKind::importerUnreadable, error.empty() ? "it does not read" : error,
                      std::string(), 0);
        return FileStatus::ok;
    }
    WeldedMesh welded;
    std::vector<MaterialRun> runs;
    appendScene(*scene, welded, runs, problems);
    readMaterials(*scene, path, out);
    batchTriangles(welded, runs, out);
    return FileStatus::ok;
}

// "Assimp 5.2.4", made once.
const char* libraryName()
{
    static const std::string name = "Assimp " + std::to_string(aiGetVersionMajor()) + "." +
                                    std::to_string(aiGetVersionMinor()) + "." + std::to_string(aiGetVersionPatch());
    return name.c_str();
}

// The library's list ("*.3d;*.3ds;...") as words (".3d .3ds ... "), lower case, less the formats
// read here.
std::string extensionWords(const std::string& given)
{
    std::string words;
    for (size_t from = 0; from < given.size();) {
        size_t end = given.find(';', from);
        if (end == std::string::npos)
            end = given.size();
        std::string word = given.substr(from, end - from);
        if (word.compare(0, 1, "*") == 0)
            word.erase(0, 1);
        for (char& c : word)
            c = char(tolower(static_cast<unsigned char>(c)));
        if (!word.empty() && !readHere(word.c_str()))
            words += word + " ";
        from = end + 1;
    }
    return words;
}

// The extensions the library reads, as extensionWords gives them, asked once.
const char* libraryExtensions()
{
    static const std::string list = [] {
        std::string given;
        Assimp::Importer().GetExtensionList(given);
        return extensionWords(given);
    }();
    return list.c_str();
}

} // namespace

extern "C" __attribute__((visibility("default"))) void importerModuleEntry(ImporterModule* module, uint32_t size)
{
    ImporterModule filled = {importerModuleVersion, sizeof(ImporterModule), sizeof(Mesh), sizeof(ProblemList),
                             readFile, libraryName, libraryExtensions};
    memcpy(module, &filled, size < sizeof(filled) ? size : sizeof(filled));
}
