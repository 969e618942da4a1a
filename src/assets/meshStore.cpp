#include "assets/meshStore.h"

#include "assets/fileBytes.h"
#include "assets/objReader.h"
#include "diag/log.h"

#include <GL/glew.h>

#include <cstdlib>
#include <utility>

MeshStore meshStore;

namespace {

void uploadMesh(MeshStore& store)
{
    glGenBuffers(1, &store.vertexBuffer);
    glGenBuffers(1, &store.indexBuffer);
    checkGlError();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, store.indexBuffer);
    checkGlError();
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(store.meshIndices.size() * sizeof(uint16_t)),
                 store.meshIndices.data(), GL_STATIC_DRAW);
    checkGlError();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    checkGlError();
    glBindBuffer(GL_ARRAY_BUFFER, store.vertexBuffer);
    checkGlError();
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(store.meshVertices.size() * sizeof(Vertex)),
                 store.meshVertices.data(), GL_STATIC_DRAW);
    checkGlError();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    checkGlError();
}

} // namespace

void loadObjMesh(const char* path)
{
    FileBytes bytes;
    FileStatus status = readFileBytes(path, bytes);
    if (status != FileStatus::ok) {
        logMessage(status == FileStatus::cannotOpen ? "Cannot open file [%s]" : "Not enough memory to read [%s]", path);
        exit(1);
    }

    ObjMesh mesh;
    readObj(bytes.data, bytes.size, mesh);
    freeFileBytes(bytes);
    logObjReport(mesh.report, path);

    meshStore.meshVertices = std::move(mesh.vertices);
    meshStore.meshIndices = std::move(mesh.indices);
    uploadMesh(meshStore);
}
