#include "render/sceneExtras.h"

#include "render/glCheck.h"

#include <GL/glew.h>

namespace {

// Pushes both matrices of the fixed-function pipeline, loading `projection` and the identity.
void pushMatrices(const Matrix4& projection)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(projection.data());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    checkGlError();
}

void popMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    checkGlError();
}

} // namespace

void drawBackgroundGradient(const FrameExtras& extras)
{
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    Matrix4 unit;
    identity(unit);
    pushMatrices(unit);
    glBegin(GL_TRIANGLE_STRIP);
    glColor3fv(extras.bottom);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glColor3fv(extras.top);
    glVertex2f(-1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glEnd();
    checkGlError();
    popMatrices();
    glPopAttrib();
    checkGlError();
}

void drawGroundGrid(const std::vector<float>& lines, const Matrix4& viewProjection)
{
    if (lines.empty())
        return;
    glPushAttrib(GL_CURRENT_BIT);
    pushMatrices(viewProjection);
    glColor3f(0.5f, 0.5f, 0.5f);
    glBegin(GL_LINES);
    for (size_t i = 0; i + 2 < lines.size(); i += 3)
        glVertex3fv(&lines[i]);
    glEnd();
    checkGlError();
    popMatrices();
    glPopAttrib();
    checkGlError();
}

void drawModelEdges(const MeshStore& mesh, const Matrix4& viewProjection, const Matrix4& world, bool cut)
{
    if (mesh.meshPrimitive != MeshPrimitive::triangles || mesh.meshBatches.empty())
        return;
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_TRANSFORM_BIT);
    pushMatrices(viewProjection);
    if (cut) {
        // given under the identity, the plane is one of the world, as the shader's clip vertex is
        const GLdouble plane[4] = {0.0, 0.0, 1.0, 0.0};
        glClipPlane(GL_CLIP_PLANE0, plane);
        glEnable(GL_CLIP_PLANE0);
    }
    glLoadMatrixf(world.data());
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(-1.0f, -1.0f);
    glDepthFunc(GL_LEQUAL);
    glColor3f(0.0f, 0.0f, 0.0f);
    checkGlError();
    bindMeshArrays(mesh);
    if (mesh.colorBuffer)
        glDisableClientState(GL_COLOR_ARRAY);  // the edges' own colour
    drawMesh(mesh);
    unbindMeshArrays();
    popMatrices();
    glPopAttrib();
    checkGlError();
}
