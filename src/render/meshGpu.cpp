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

} // namespace

void replaceMesh(MeshStore& store, ObjMesh& mesh)
{
    GLuint oldVertexBuffer = store.vertexBuffer, oldIndexBuffer = store.indexBuffer;
    store.meshVertices = std::move(mesh.vertices);
    store.meshIndices = std::move(mesh.indices);
    store.meshBatches = std::move(mesh.batches);
    glGenBuffers(1, &store.vertexBuffer);
    glGenBuffers(1, &store.indexBuffer);
    checkGlError();
    fillBuffer(GL_ELEMENT_ARRAY_BUFFER, store.indexBuffer, store.meshIndices.size() * sizeof(uint16_t),
               store.meshIndices.data());
    fillBuffer(GL_ARRAY_BUFFER, store.vertexBuffer, store.meshVertices.size() * sizeof(Vertex),
               store.meshVertices.data());
    if (oldVertexBuffer || oldIndexBuffer) {
        glDeleteBuffers(1, &oldVertexBuffer);
        glDeleteBuffers(1, &oldIndexBuffer);
        checkGlError();
    }
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

void startMeshUpload(MeshUpload& upload, ObjMesh& mesh)
{
    upload.active = true;
    upload.mesh = std::move(mesh);
    upload.indexBytesDone = upload.vertexBytesDone = 0;
    glGenBuffers(1, &upload.vertexBuffer);
    glGenBuffers(1, &upload.indexBuffer);
    checkGlError();
    fillBuffer(GL_ELEMENT_ARRAY_BUFFER, upload.indexBuffer, upload.mesh.indices.size() * sizeof(uint16_t), nullptr);
    fillBuffer(GL_ARRAY_BUFFER, upload.vertexBuffer, upload.mesh.vertices.size() * sizeof(Vertex), nullptr);
}

bool continueMeshUpload(MeshUpload& upload, size_t budgetBytes)
{
    const ObjMesh& mesh = upload.mesh;
    size_t indexBytes = mesh.indices.size() * sizeof(uint16_t), vertexBytes = mesh.vertices.size() * sizeof(Vertex);
    size_t done = fillBufferPiece(GL_ELEMENT_ARRAY_BUFFER, upload.indexBuffer, mesh.indices.data(), indexBytes,
                                  upload.indexBytesDone, budgetBytes);
    upload.indexBytesDone += done;
    upload.vertexBytesDone += fillBufferPiece(GL_ARRAY_BUFFER, upload.vertexBuffer, mesh.vertices.data(),
                                              vertexBytes, upload.vertexBytesDone, budgetBytes - done);
    return upload.indexBytesDone == indexBytes && upload.vertexBytesDone == vertexBytes;
}

void finishMeshUpload(MeshStore& store, MeshUpload& upload)
{
    if (store.vertexBuffer || store.indexBuffer)
        deleteBuffers(store.vertexBuffer, store.indexBuffer);
    store.meshVertices = std::move(upload.mesh.vertices);
    store.meshIndices = std::move(upload.mesh.indices);
    store.meshBatches = std::move(upload.mesh.batches);
    store.vertexBuffer = upload.vertexBuffer;
    store.indexBuffer = upload.indexBuffer;
    upload = MeshUpload();
}

void abandonMeshUpload(MeshUpload& upload)
{
    if (upload.active)
        deleteBuffers(upload.vertexBuffer, upload.indexBuffer);
    upload = MeshUpload();
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
}

void drawMesh(const MeshStore& store, const MeshAttributeLocations& generic)
{
    for (const MeshBatch& batch : store.meshBatches) {
        // the first batch starts at vertex 0, where the arrays already point
        if (batch.firstVertex != 0) {
            pointMeshArrays(batch.firstVertex, false);
            pointGenericArrays(generic, batch.firstVertex, false);
        }
        glDrawRangeElements(GL_TRIANGLES, 0, batch.vertexCount - 1, GLsizei(batch.indexCount), GL_UNSIGNED_SHORT,
                            bufferOffset(size_t(batch.firstIndex) * sizeof(uint16_t)));
        checkGlError();
    }
}

void unbindMeshArrays(const MeshAttributeLocations& generic)
{
    for (int location : {generic.position, generic.normal, generic.texCoord})
        if (location >= 0) {
            glDisableVertexAttribArrayARB(GLuint(location));
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
