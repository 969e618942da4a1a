#include "core/mesh/gltfMesh.h"

#include "core/math/matrix3.h"
#include "core/mesh/gltfAccessors.h"
#include "core/mesh/gltfDocument.h"
#include "core/mesh/gltfMaterials.h"
#include "core/mesh/gltfScene.h"
#include "core/mesh/smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The vertices and indices of a mesh stay below 2^32: WeldedMesh counts them in 32 bits. And a
// small file whose nodes draw one mesh again and again makes at most 16 vertices and indices a
// byte of it, or 2^22 (a torus of 28 MB makes 0.16 a byte).
constexpr size_t maxGltfElements = 0xF0000000u;

size_t outputLimit(const GltfDocument& document)
{
    size_t bySize = document.dataBytes > maxGltfElements / 16 ? maxGltfElements : document.dataBytes * 16;
    return bySize < (size_t(1) << 22) ? size_t(1) << 22 : bySize;
}

// How an instance's transform takes positions and normals.
struct InstanceTransform {
    GltfMatrix world;
    double normal[9];  // the cofactors of world's upper 3 x 3, times the sign of its determinant
    bool mirrors;      // its determinant is negative: the winding is turned
};

InstanceTransform instanceTransform(const GltfMatrix& world)
{
    InstanceTransform t;
    t.world = world;
    t.mirrors = cofactorNormals(world.m, t.normal);
    return t;
}

void transformVertex(const InstanceTransform& t, Vertex& v)
{
    const double* m = t.world.m;
    double p[3] = {v.position.x, v.position.y, v.position.z};
    v.position = Vector3{float(m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12]),
                         float(m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13]),
                         float(m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14])};
    const double* n = t.normal;
    double q[3] = {v.normal.x, v.normal.y, v.normal.z};
    double x = n[0] * q[0] + n[3] * q[1] + n[6] * q[2];
    double y = n[1] * q[0] + n[4] * q[1] + n[7] * q[2];
    double z = n[2] * q[0] + n[5] * q[1] + n[8] * q[2];
    double length = std::sqrt(x * x + y * y + z * z);
    v.normal = length > 0.0 && std::isfinite(length) ? Vector3{float(x / length), float(y / length), float(z / length)}
                                                     : Vector3{0.0f, 0.0f, 0.0f};
    if (!std::isfinite(v.position.x) || !std::isfinite(v.position.y) || !std::isfinite(v.position.z))
        v.position = Vector3{0.0f, 0.0f, 0.0f};
}

// The triangles being gathered from the primitives.
struct Gathering {
    GltfReading reading;
    WeldedMesh welded;
    std::vector<MaterialRun> runs;  // only for a model with materials
    size_t materials;               // the model's
    size_t outputLimit;             // of vertices and indices together
    size_t triangles = 0;
};

// The accessor of a primitive's attribute, or -1.
int attribute(const tinygltf::Primitive& primitive, const char* name)
{
    auto found = primitive.attributes.find(name);
    return found == primitive.attributes.end() ? -1 : found->second;
}

// An attribute whose elements can be read, `count` of them, of one of the component counts
// allowed; -1 (told when it exists) otherwise.
int usableAttribute(Gathering& g, const tinygltf::Primitive& primitive, const char* name, size_t count, int least,
                    int most, size_t mesh)
{
    int accessor = attribute(primitive, name);
    size_t elements;
    int components;
    if (accessor < 0 || !gltfAccessorShape(g.reading, accessor, mesh, elements, components))
        return -1;
    if (elements != count || components < least || components > most) {
        noticeProblem(g.reading.problems, ProblemKind::gltfBadAccessors, std::string(), std::string(), uint64_t(accessor));
        return -1;
    }
    return accessor;
}

// The primitive's vertices, `count` of them from `out` on (zeros), in the instance's world; their colors
// into `colors` when it has COLOR_0 (else left alone); false when it has no colors.
bool readVertices(Gathering& g, const tinygltf::Primitive& primitive, size_t count, size_t mesh,
                  const InstanceTransform& t, Vertex* out, Vector3* colors)
{
    int positions = attribute(primitive, "POSITION");
    int normals = usableAttribute(g, primitive, "NORMAL", count, 3, 3, mesh);
    int texCoords = usableAttribute(g, primitive, "TEXCOORD_0", count, 2, 2, mesh);
    int colorAccessor = colors ? usableAttribute(g, primitive, "COLOR_0", count, 3, 4, mesh) : -1;
    const size_t stride = sizeof(Vertex) / sizeof(float);
    readGltfFloats(g.reading, positions, 3, false, &out->position.x, stride);
    if (normals >= 0)
        readGltfFloats(g.reading, normals, 3, false, &out->normal.x, stride);
    if (texCoords >= 0) {
        readGltfFloats(g.reading, texCoords, 2, true, &out->texCoord.x, stride);
        for (size_t i = 0; i < count; ++i)
            out[i].texCoord.y = 1.0f - out[i].texCoord.y;
    }
    for (size_t i = 0; i < count; ++i)
        transformVertex(t, out[i]);
    if (colorAccessor >= 0)
        readGltfFloats(g.reading, colorAccessor, 3, true, &colors->x, 3);
    return colorAccessor >= 0;
}

// Walks the primitive's triangles: (a, b, c) for each, in glTF's order for its mode, from the
// indices or, without, from the vertices in order.
template <typename Visit>
void forEachTriangle(int mode, const GltfIndices* indices, size_t vertices, Visit visit)
{
    size_t n = indices ? indices->count : vertices;
    auto at = [&](size_t i) { return indices ? (*indices)[i] : uint32_t(i); };
    if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        for (size_t i = 0; i + 2 < n; ++i)
            visit(at(i), at(i + 1 + i % 2), at(i + 2 - i % 2));
    } else if (mode == TINYGLTF_MODE_TRIANGLE_FAN) {
        for (size_t i = 1; i + 1 < n; ++i)
            visit(at(i), at(i + 1), at(0));
    } else {
        for (size_t i = 0; i + 2 < n; i += 3)
            visit(at(i), at(i + 1), at(i + 2));
    }
}

// Room for `more` items at once, at least doubling: primitive after primitive, the items are
// copied a bounded number of times.
template <typename T>
void makeRoom(std::vector<T>& items, size_t more)
{
    if (items.capacity() - items.size() < more)
        items.reserve(std::max(items.size() + more, 2 * items.capacity()));
}

// Gives the vertices welded before the first colored primitive white.
void startColors(WeldedMesh& welded)
{
    if (welded.colors.empty())
        welded.colors.assign(welded.vertices.size(), Vector3{1.0f, 1.0f, 1.0f});
}

// The material of the primitive's triangles, numbered as Mesh::materials (0: the default).
void noteMaterial(Gathering& g, const tinygltf::Primitive& primitive, size_t mesh)
{
    if (g.materials == 0)
        return;
    uint32_t material = 0;
    if (primitive.material >= 0 && size_t(primitive.material) < g.materials)
        material = uint32_t(primitive.material) + 1;
    else if (primitive.material >= 0 || primitive.material < -1)
        noticeProblem(g.reading.problems, ProblemKind::gltfBadReferences, "from a mesh to a missing material",
                      std::string(), mesh);
    if (g.runs.empty() || g.runs.back().material != material)
        g.runs.push_back(MaterialRun{uint32_t(g.triangles), material});
}

// Appends the primitive's triangles, as `mesh`'s in the instance's world, to the gathering.
void appendGltfPrimitive(Gathering& g, const tinygltf::Primitive& primitive, size_t mesh, const InstanceTransform& t)
{
    ProblemList& problems = g.reading.problems;
    int mode = primitive.mode;
    if (mode >= TINYGLTF_MODE_POINTS && mode <= TINYGLTF_MODE_LINE_STRIP) {
        noticeProblem(problems, ProblemKind::pointsAndLines, std::string(), std::string(), mesh);
        return;
    }
    size_t count = 0;
    int components = 0;
    int positions = attribute(primitive, "POSITION");
    GltfIndices indices;
    bool readable = mode >= TINYGLTF_MODE_TRIANGLES && mode <= TINYGLTF_MODE_TRIANGLE_FAN && positions >= 0 &&
                    gltfAccessorShape(g.reading, positions, mesh, count, components);
    if (readable && components != 3) {
        noticeProblem(problems, ProblemKind::gltfBadAccessors, std::string(), std::string(), uint64_t(positions));
        readable = false;
    }
    size_t ignored;
    int scalar;
    if (readable && primitive.indices >= 0)
        readable = gltfAccessorShape(g.reading, primitive.indices, mesh, ignored, scalar) &&
                   readGltfIndices(g.reading, primitive.indices, indices);
    size_t corners = primitive.indices >= 0 ? indices.count : count;
    if (!readable) {
        noticeProblem(problems, ProblemKind::gltfBadPrimitives, std::string(), std::string(), mesh);
        return;
    }
    bool flat = attribute(primitive, "NORMAL") < 0;
    size_t triangles = mode == TINYGLTF_MODE_TRIANGLES ? corners / 3 : corners < 2 ? 0 : corners - 2;
    if ((flat ? 6 * triangles : count + 3 * triangles) > g.outputLimit - g.welded.vertices.size() - g.welded.indices.size()) {
        noticeProblem(problems, ProblemKind::gltfPastOutputLimit, std::string(), std::string(), mesh);
        return;
    }
    const GltfIndices* indexed = primitive.indices >= 0 ? &indices : nullptr;
    bool colored = attribute(primitive, "COLOR_0") >= 0;
    if (colored)
        startColors(g.welded);
    // a primitive with normals keeps its vertices as indexed; one without gets a vertex per corner
    std::vector<Vertex> flatVertices;
    std::vector<Vector3> flatColors;
    size_t base = g.welded.vertices.size();
    Vertex* vertices;
    Vector3* colors = nullptr;
    if (flat) {
        flatVertices.resize(count);
        vertices = flatVertices.data();
        if (!g.welded.colors.empty()) {
            flatColors.assign(count, Vector3{1.0f, 1.0f, 1.0f});
            colors = flatColors.data();
        }
    } else {
        g.welded.vertices.resize(base + count);
        vertices = g.welded.vertices.data() + base;
        if (!g.welded.colors.empty()) {
            g.welded.colors.resize(base + count, Vector3{1.0f, 1.0f, 1.0f});
            colors = g.welded.colors.data() + base;
        }
    }
    readVertices(g, primitive, count, mesh, t, vertices, colors);
    noteMaterial(g, primitive, mesh);
    makeRoom(g.welded.indices, 3 * triangles);
    if (flat) {
        makeRoom(g.welded.vertices, 3 * triangles);
        if (!g.welded.colors.empty())
            makeRoom(g.welded.colors, 3 * triangles);
    }
    uint32_t pastVertices = 0;
    forEachTriangle(mode, indexed, count, [&](uint32_t a, uint32_t b, uint32_t c) {
        if (a >= count || b >= count || c >= count) {
            ++pastVertices;
            return;
        }
        if (t.mirrors)
            std::swap(b, c);
        ++g.triangles;
        if (!flat) {
            g.welded.indices.insert(g.welded.indices.end(), {uint32_t(base + a), uint32_t(base + b), uint32_t(base + c)});
            return;
        }
        Vector3 normal = faceNormal(vertices[a].position, vertices[b].position, vertices[c].position);
        for (uint32_t corner : {a, b, c}) {
            g.welded.indices.push_back(uint32_t(g.welded.vertices.size()));
            Vertex v = vertices[corner];
            v.normal = normal;
            g.welded.vertices.push_back(v);
            if (colors)
                g.welded.colors.push_back(colors[corner]);
        }
    });
    if (pastVertices > 0)
        noticeSome(findProblem(problems, ProblemKind::gltfIndicesPastVertices, std::string(), std::string()).tally, mesh,
               pastVertices);
}

// Drops the vertices no triangle uses, for a mesh of one batch, which would upload them all (the
// batches of a larger mesh hold only those used): an indexed primitive may leave some out.
void dropUnusedVertices(WeldedMesh& welded)
{
    if (welded.vertices.size() > maxBatchVertices)
        return;
    const uint32_t unused = 0xFFFFFFFFu;
    std::vector<uint32_t> newIndex(welded.vertices.size(), unused);
    uint32_t kept = 0;
    for (uint32_t& index : welded.indices) {
        if (newIndex[index] == unused)
            newIndex[index] = kept++;
        index = newIndex[index];
    }
    std::vector<Vertex> vertices(kept);
    std::vector<Vector3> colors(welded.colors.empty() ? 0 : kept);
    for (size_t i = 0; i < newIndex.size(); ++i)
        if (newIndex[i] != unused) {
            vertices[newIndex[i]] = welded.vertices[i];
            if (!colors.empty())
                colors[newIndex[i]] = welded.colors[i];
        }
    welded.vertices = std::move(vertices);
    welded.colors = std::move(colors);
}

bool cancelled(const GltfOptions& options)
{
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

} // namespace

bool readGltfBytes(const unsigned char* data, size_t size, const std::string& path, const GltfOptions& options,
                   Mesh& out, ProblemList& problems)
{
    out = Mesh();
    GltfDocument document;
    if (!readGltfDocument(data, size, path, options.openFiles, document, out.files, problems)) {
        closeGltfDocument(document, problems);
        return !cancelled(options);
    }
    std::vector<GltfInstance> instances;
    collectGltfInstances(document.model, instances, problems);
    Gathering g = {startGltfReading(document, problems), WeldedMesh(), {}, document.model.materials.size(),
                   outputLimit(document)};
    for (const GltfInstance& instance : instances) {
        InstanceTransform t = instanceTransform(instance.world);
        const tinygltf::Mesh& mesh = document.model.meshes[size_t(instance.mesh)];
        for (const tinygltf::Primitive& primitive : mesh.primitives) {
            if (cancelled(options)) {
                closeGltfDocument(document, problems);
                out = Mesh();
                return false;
            }
            appendGltfPrimitive(g, primitive, size_t(instance.mesh), t);
        }
    }
    if (options.view)
        passFileView(*options.view, options.view->size);
    readGltfMaterials(document, out, problems);
    passGltfBuffers(document);
    closeGltfDocument(document, problems);
    dropUnusedVertices(g.welded);
    batchTriangles(g.welded, g.runs, out);
    if (out.indices.empty() && problems.problems.empty())
        noticeProblem(problems, ProblemKind::gltfNothingDrawn, std::string(), std::string(), 0);
    if (!cancelled(options))
        return true;
    out = Mesh();
    return false;
}

FileStatus readGltfFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    out = Mesh();
    FileView view;
    FileStatus status = viewFile(path, view);
    if (status != FileStatus::ok)
        return status;
    GltfOptions options;
    options.cancel = cancel;
    options.view = &view;
    ProblemList read;
    bool whole = readGltfBytes(reinterpret_cast<const unsigned char*>(view.data), view.size, path, options, out, read);
    if (!closeFileView(view))
        noticeProblem(read, ProblemKind::fileShrank, std::string(), std::string(), 0);
    if (!whole)
        return FileStatus::cancelled;
    appendProblems(problems, read);
    return FileStatus::ok;
}

bool hasGlbSignature(const unsigned char* first, size_t count, uint64_t)
{
    return count >= 4 && memcmp(first, "glTF", 4) == 0;
}
