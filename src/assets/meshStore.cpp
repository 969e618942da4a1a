#include "assets/meshStore.h"

#include "assets/meshFile.h"
#include "diag/log.h"

#include <GL/glew.h>

#include <cstdlib>
#include <utility>

MeshStore meshStore;

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

void uploadMesh(MeshStore& store)
{
    glGenBuffers(1, &store.vertexBuffer);
    glGenBuffers(1, &store.indexBuffer);
    checkGlError();
    fillBuffer(GL_ELEMENT_ARRAY_BUFFER, store.indexBuffer, store.meshIndices.size() * sizeof(uint16_t),
               store.meshIndices.data());
    fillBuffer(GL_ARRAY_BUFFER, store.vertexBuffer, store.meshVertices.size() * sizeof(Vertex),
               store.meshVertices.data());
}

} // namespace

void replaceMesh(ObjMesh& mesh)
{
    GLuint oldVertexBuffer = meshStore.vertexBuffer, oldIndexBuffer = meshStore.indexBuffer;
    meshStore.meshVertices = std::move(mesh.vertices);
    meshStore.meshIndices = std::move(mesh.indices);
    meshStore.meshBatches = std::move(mesh.batches);
    uploadMesh(meshStore);
    if (oldVertexBuffer || oldIndexBuffer) {
        glDeleteBuffers(1, &oldVertexBuffer);
        glDeleteBuffers(1, &oldIndexBuffer);
        checkGlError();
    }
}

void loadObjMesh(const char* path)
{
    ObjMesh mesh;
    FileStatus status = readMeshFile(path, mesh);
    if (status != FileStatus::ok) {
        logMessage(unreadableFileMessage(status), path);
        exit(1);
    }
    replaceMesh(mesh);
}
