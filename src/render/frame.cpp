#include "render/frame.h"

#include "assets/meshStore.h"
#include "diag/infoLog.h"
#include "diag/log.h"
#include "platform/platform.h"
#include "render/frameMath.h"
#include "render/scene.h"

#include <GL/glew.h>
#include <GL/glut.h>


FrameSettings frameSettings;

namespace {

const GLvoid* bufferOffset(size_t bytes)
{
    return reinterpret_cast<const GLvoid*>(bytes);
}

void uploadMatrices(const ShaderState& state)
{
    Matrix4 viewProjection;
    cameraViewProjection(viewProjection);
    glUniform4fvARB(state.vpMatrixLocation, 4, viewProjection.data());
    checkGlError();

    Matrix4 world;
    worldRotation(world, frameSettings.clockStopped ? frameSettings.stoppedTickMs : tickCountMs());
    if (frameSettings.fitToView)
        multiply(world, world, frameSettings.modelFit);
    glUniform4fvARB(state.wMatrixLocation, 4, world.data());
    checkGlError();
}

void enableClipPlane()
{
    // the modelview matrix is the identity, so the plane is stored as given: it keeps z >= 0
    const GLdouble plane[4] = {0.0, 0.0, 1.0, 0.0};
    glClipPlane(GL_CLIP_PLANE0, plane);
    checkGlError();
    glEnable(GL_CLIP_PLANE0);
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

void bindMeshArrays(const MeshStore& mesh)
{
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    checkGlError();
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    checkGlError();
    pointMeshArrays(0, true);
}

// Once, on the first frame: a failed validation is not retried.
void validateProgramOnce(ShaderState& state)
{
    if (state.programValidated)
        return;
    state.programValidated = true;
    glValidateProgramARB(state.program);
    checkGlError();
    GLint valid = 0;
    glGetObjectParameterivARB(state.program, GL_OBJECT_VALIDATE_STATUS_ARB, &valid);
    checkGlError();
    if (!valid) {
        logMessage("Error while validating program !");
        logInfoLog(state.program, "Validation error log: \n%s\n");
    } else {
        logMessage("Program validated successfully !");
        logInfoLog(state.program, "Validation warnings log: \n%s\n");
    }
}

// One indexed draw per batch; an empty mesh has none.
void drawMesh(const MeshStore& mesh)
{
    for (const MeshBatch& batch : mesh.meshBatches) {
        // the first batch starts at vertex 0, where the arrays already point
        if (batch.firstVertex != 0)
            pointMeshArrays(batch.firstVertex, false);
        glDrawRangeElements(GL_TRIANGLES, 0, batch.vertexCount - 1, GLsizei(batch.indexCount), GL_UNSIGNED_SHORT,
                            bufferOffset(size_t(batch.firstIndex) * sizeof(uint16_t)));
        checkGlError();
    }
}

void restoreState()
{
    glDisable(GL_CLIP_PLANE0);
    checkGlError();
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
    glUseProgramObjectARB(0);
    checkGlError();
}

} // namespace

void drawFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
    glUseProgramObjectARB(shaderState.program);
    checkGlError();
    uploadMatrices(shaderState);
    enableClipPlane();
    bindMeshArrays(meshStore);
    validateProgramOnce(shaderState);
    drawMesh(meshStore);
    restoreState();
}

void renderFrame()
{
    drawFrame();
    glutSwapBuffers();
    checkGlError();
}
