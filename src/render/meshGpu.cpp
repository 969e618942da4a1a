#include "render/meshGpu.h"

#include "core/view/frameMath.h"
#include "render/glCheck.h"

#include <GL/glew.h>

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace {

// Binds the buffer to target, fills it and unbinds it, checking after each step.
void fillBuffer(GLenum target, GLuint buffer, size_t bytes, const void* data)
{
    glBindBuffer(target, buffer);
    checkGlError();
    glBufferData(target, GLsizeiptr(bytes), data, GL_STATIC_DRAW);
    checkGlError();
    glBindBuffer(target, 0);
    checkGlError();
}

const GLvoid* bufferOffset(size_t bytes)
{
    return reinterpret_cast<const GLvoid*>(bytes);
}

// Points the generic attributes asked for at vertex `base`, as pointMeshArrays does.
void pointGenericArrays(const MeshAttributeLocations& generic, size_t base, bool enable)
{
    const struct {
        int location;
        GLint components;
        size_t offset;
    } arrays[] = {{generic.position, 3, offsetof(Vertex, position)},
                  {generic.normal, 3, offsetof(Vertex, normal)},
                  {generic.texCoord, 2, offsetof(Vertex, texCoord)}};
    for (const auto& array : arrays) {
        if (array.location < 0)
            continue;
        if (enable)
            glEnableVertexAttribArrayARB(GLuint(array.location));
        glVertexAttribPointerARB(GLuint(array.location), array.components, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                 bufferOffset(base * sizeof(Vertex) + array.offset));
        checkGlError();
    }
}

// Points the colour array (and a_color) at vertex `base` of the store's colour buffer, then binds
// the vertex buffer again; `enable` turns them on. A mesh without colours gives a_color white.
void pointColorArrays(const MeshStore& store, int colorLocation, size_t base, bool enable)
{
    if (!store.colorBuffer) {
        if (colorLocation >= 0 && enable) {
            glVertexAttrib4fARB(GLuint(colorLocation), 1.0f, 1.0f, 1.0f, 1.0f);
            checkGlError();
        }
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, store.colorBuffer);
    if (enable)
        glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, sizeof(Vector3), bufferOffset(base * sizeof(Vector3)));
    if (colorLocation >= 0) {
        if (enable)
            glEnableVertexAttribArrayARB(GLuint(colorLocation));
        glVertexAttribPointerARB(GLuint(colorLocation), 3, GL_FLOAT, GL_FALSE, sizeof(Vector3),
                                 bufferOffset(base * sizeof(Vector3)));
    }
    glBindBuffer(GL_ARRAY_BUFFER, store.vertexBuffer);
    checkGlError();
}

// Points position, texture coordinate (unit 0) and normal (unit 1) at vertex `base` of the bound
// interleaved vertex buffer; `enable` also turns the three arrays on, each before its pointer.
void pointMeshArrays(size_t base, bool enable)
{
    size_t at = base * sizeof(Vertex);
    if (enable)
        glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), bufferOffset(at + offsetof(Vertex, position)));
    checkGlError();
    glClientActiveTexture(GL_TEXTURE1);
    if (enable)
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(3, GL_FLOAT, sizeof(Vertex), bufferOffset(at + offsetof(Vertex, normal)));
    checkGlError();
    glClientActiveTexture(GL_TEXTURE0);
    if (enable)
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), bufferOffset(at + offsetof(Vertex, texCoord)));
    checkGlError();
}

// Takes the mesh's contents but its buffers.
void takeMeshContents(MeshStore& store, Mesh& mesh)
{
    store.meshVertices = std::move(mesh.vertices);
    store.meshIndices = std::move(mesh.indices);
    store.meshBatches = std::move(mesh.batches);
    store.meshColors = std::move(mesh.colors);
    store.meshRanges = std::move(mesh.ranges);
    store.meshPrimitive = mesh.primitive;
}

void deleteColorBuffer(GLuint buffer)
{
    if (!buffer)
        return;
    glDeleteBuffers(1, &buffer);
    checkGlError();
}

} // namespace

void replaceMesh(MeshStore& store, Mesh& mesh)
{
    GLuint oldVertexBuffer = store.vertexBuffer, oldIndexBuffer = store.indexBuffer, oldColorBuffer = store.colorBuffer;
    takeMeshContents(store, mesh);
    glGenBuffers(1, &store.vertexBuffer);
    glGenBuffers(1, &store.indexBuffer);
    checkGlError();
    fillBuffer(GL_ELEMENT_ARRAY_BUFFER, store.indexBuffer, store.meshIndices.size() * sizeof(uint16_t),
               store.meshIndices.data());
    fillBuffer(GL_ARRAY_BUFFER, store.vertexBuffer, store.meshVertices.size() * sizeof(Vertex),
               store.meshVertices.data());
    store.colorBuffer = 0;
    if (!store.meshColors.empty()) {
        glGenBuffers(1, &store.colorBuffer);
        fillBuffer(GL_ARRAY_BUFFER, store.colorBuffer, store.meshColors.size() * sizeof(Vector3),
                   store.meshColors.data());
    }
    if (oldVertexBuffer || oldIndexBuffer) {
        glDeleteBuffers(1, &oldVertexBuffer);
        glDeleteBuffers(1, &oldIndexBuffer);
        checkGlError();
    }
    deleteColorBuffer(oldColorBuffer);
}

namespace {

// Fills up to `budget` bytes of the buffer from `done` on; returns the bytes written.
size_t fillBufferPiece(GLenum target, GLuint buffer, const void* data, size_t bytes, size_t done, size_t budget)
{
    size_t piece = bytes - done < budget ? bytes - done : budget;
    if (piece == 0)
        return 0;
    glBindBuffer(target, buffer);
    glBufferSubData(target, GLintptr(done), GLsizeiptr(piece), static_cast<const char*>(data) + done);
    glBindBuffer(target, 0);
    checkGlError();
    return piece;
}

void deleteBuffers(GLuint vertexBuffer, GLuint indexBuffer)
{
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &indexBuffer);
    checkGlError();
}

} // namespace

void startMeshUpload(MeshUpload& upload, Mesh& mesh)
{
    upload.active = true;
    upload.mesh = std::move(mesh);
    upload.indexBytesDone = upload.vertexBytesDone = upload.colorBytesDone = 0;
    glGenBuffers(1, &upload.vertexBuffer);
    glGenBuffers(1, &upload.indexBuffer);
    checkGlError();
    fillBuffer(GL_ELEMENT_ARRAY_BUFFER, upload.indexBuffer, upload.mesh.indices.size() * sizeof(uint16_t), nullptr);
    fillBuffer(GL_ARRAY_BUFFER, upload.vertexBuffer, upload.mesh.vertices.size() * sizeof(Vertex), nullptr);
    upload.colorBuffer = 0;
    if (!upload.mesh.colors.empty()) {
        glGenBuffers(1, &upload.colorBuffer);
        fillBuffer(GL_ARRAY_BUFFER, upload.colorBuffer, upload.mesh.colors.size() * sizeof(Vector3), nullptr);
    }
}

bool continueMeshUpload(MeshUpload& upload, size_t budgetBytes)
{
    const Mesh& mesh = upload.mesh;
    size_t indexBytes = mesh.indices.size() * sizeof(uint16_t), vertexBytes = mesh.vertices.size() * sizeof(Vertex),
           colorBytes = mesh.colors.size() * sizeof(Vector3);
    size_t done = fillBufferPiece(GL_ELEMENT_ARRAY_BUFFER, upload.indexBuffer, mesh.indices.data(), indexBytes,
                                  upload.indexBytesDone, budgetBytes);
    upload.indexBytesDone += done;
    size_t more = fillBufferPiece(GL_ARRAY_BUFFER, upload.vertexBuffer, mesh.vertices.data(), vertexBytes,
                                  upload.vertexBytesDone, budgetBytes - done);
    upload.vertexBytesDone += more;
    upload.colorBytesDone += fillBufferPiece(GL_ARRAY_BUFFER, upload.colorBuffer, mesh.colors.data(), colorBytes,
                                             upload.colorBytesDone, budgetBytes - done - more);
    return upload.indexBytesDone == indexBytes && upload.vertexBytesDone == vertexBytes &&
           upload.colorBytesDone == colorBytes;
}

void finishMeshUpload(MeshStore& store, MeshUpload& upload)
{
    if (store.vertexBuffer || store.indexBuffer)
        deleteBuffers(store.vertexBuffer, store.indexBuffer);
    deleteColorBuffer(store.colorBuffer);
    takeMeshContents(store, upload.mesh);
    store.vertexBuffer = upload.vertexBuffer;
    store.indexBuffer = upload.indexBuffer;
    store.colorBuffer = upload.colorBuffer;
    upload = MeshUpload();
}

void abandonMeshUpload(MeshUpload& upload)
{
    if (upload.active) {
        deleteBuffers(upload.vertexBuffer, upload.indexBuffer);
        deleteColorBuffer(upload.colorBuffer);
    }
    upload = MeshUpload();
}

void uploadPartStore(const MeshUpload& upload, uint32_t part, uint32_t parts, MeshStore& out)
{
    const Mesh& mesh = upload.mesh;
    uint32_t corners = mesh.primitive == MeshPrimitive::points ? 1 : 3;
    out = MeshStore();
    out.vertexBuffer = upload.vertexBuffer;
    out.indexBuffer = upload.indexBuffer;
    out.colorBuffer = upload.colorBuffer;
    out.meshPrimitive = mesh.primitive;
    out.meshBatches = mesh.batches;
    for (MeshBatch& batch : out.meshBatches) {
        uint64_t shapes = uint64_t(batch.indexCount / corners) * part / parts;
        batch.indexCount = uint32_t(shapes * corners);
        batch.firstRange = batch.rangeCount = 0;
    }
}

void scaleMeshPositions(MeshStore& store, int exponent)
{
    if (exponent == 0)
        return;
    scalePositions(store.meshVertices, exponent);
    fillBuffer(GL_ARRAY_BUFFER, store.vertexBuffer, store.meshVertices.size() * sizeof(Vertex),
               store.meshVertices.data());
}

void bindMeshArrays(const MeshStore& store, const MeshAttributeLocations& generic)
{
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, store.indexBuffer);
    checkGlError();
    glBindBuffer(GL_ARRAY_BUFFER, store.vertexBuffer);
    checkGlError();
    pointMeshArrays(0, true);
    pointGenericArrays(generic, 0, true);
    pointColorArrays(store, generic.color, 0, true);
}

void drawMesh(const MeshStore& store, const MeshAttributeLocations& generic, const MaterialSwitch* materials)
{
    GLenum mode = store.meshPrimitive == MeshPrimitive::points ? GL_POINTS : GL_TRIANGLES;
    for (const MeshBatch& batch : store.meshBatches) {
        // the first batch starts at vertex 0, where the arrays already point
        if (batch.firstVertex != 0) {
            pointMeshArrays(batch.firstVertex, false);
            pointGenericArrays(generic, batch.firstVertex, false);
            pointColorArrays(store, generic.color, batch.firstVertex, false);
        }
        if (batch.rangeCount == 0 || !materials) {
            glDrawRangeElements(mode, 0, batch.vertexCount - 1, GLsizei(batch.indexCount), GL_UNSIGNED_SHORT,
                                bufferOffset(size_t(batch.firstIndex) * sizeof(uint16_t)));
            checkGlError();
            continue;
        }
        for (uint32_t r = batch.firstRange; r < batch.firstRange + batch.rangeCount; ++r) {
            const MeshRange& range = store.meshRanges[r];
            materials->use(materials->context, range.material);
            glDrawRangeElements(mode, 0, batch.vertexCount - 1, GLsizei(range.indexCount), GL_UNSIGNED_SHORT,
                                bufferOffset(size_t(range.firstIndex) * sizeof(uint16_t)));
            checkGlError();
        }
    }
}

void unbindMeshArrays(const MeshAttributeLocations& generic, bool colored)
{
    for (int location : {generic.position, generic.normal, generic.texCoord})
        if (location >= 0) {
            glDisableVertexAttribArrayARB(GLuint(location));
            checkGlError();
        }
    if (colored && generic.color >= 0) {
        glDisableVertexAttribArrayARB(GLuint(generic.color));
        checkGlError();
    }
    if (colored) {
        glDisableClientState(GL_COLOR_ARRAY);
        checkGlError();
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    checkGlError();
    glClientActiveTexture(GL_TEXTURE1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    checkGlError();
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    checkGlError();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    checkGlError();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    checkGlError();
}
