#include "render/quadGpu.h"

#include "render/glCheck.h"

namespace {

// x, y, s, t of each corner, in the order of a triangle strip
const float corners[16] = {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f, -1.0f, 1.0f, 0.0f,
                           -1.0f, 1.0f,  0.0f, 1.0f, 1.0f, 1.0f,  1.0f, 1.0f};
const GLsizei stride = 4 * sizeof(float);
const GLvoid* const texCoordOffset = reinterpret_cast<const GLvoid*>(2 * sizeof(float));

void createQuad(QuadGpu& quad)
{
    glGenBuffers(1, &quad.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, quad.buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    checkGlError();
}

} // namespace

void drawQuad(QuadGpu& quad, const MeshAttributeLocations& generic)
{
    if (!quad.buffer)
        createQuad(quad);
    glBindBuffer(GL_ARRAY_BUFFER, quad.buffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, stride, nullptr);
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, texCoordOffset);
    if (generic.position >= 0) {
        glEnableVertexAttribArrayARB(GLuint(generic.position));
        glVertexAttribPointerARB(GLuint(generic.position), 2, GL_FLOAT, GL_FALSE, stride, nullptr);
    }
    if (generic.texCoord >= 0) {
        glEnableVertexAttribArrayARB(GLuint(generic.texCoord));
        glVertexAttribPointerARB(GLuint(generic.texCoord), 2, GL_FLOAT, GL_FALSE, stride, texCoordOffset);
    }
    checkGlError();
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    checkGlError();
    for (int location : {generic.position, generic.texCoord})
        if (location >= 0)
            glDisableVertexAttribArrayARB(GLuint(location));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    checkGlError();
}

void deleteQuad(QuadGpu& quad)
{
    if (quad.buffer) {
        glDeleteBuffers(1, &quad.buffer);
        checkGlError();
    }
    quad = QuadGpu{0};
}
