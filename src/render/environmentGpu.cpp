#include "render/environmentGpu.h"

#include "render/glCheck.h"

#include <cstring>

void replaceEnvironment(EnvironmentGpu& environment, const CubeFaces& faces,
                        const float (&sh)[shCoefficientCount][3])
{
    bool floats = GLEW_VERSION_3_0 || GLEW_ARB_texture_float;
    GLuint cubeMap = 0;
    glGenTextures(1, &cubeMap);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_GENERATE_MIPMAP, GL_TRUE);
    checkGlError();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // rows of floats are whole words
    for (int face = 0; face < 6; ++face) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face), 0, floats ? GL_RGB16F_ARB : GL_RGB8, faces.size,
                     faces.size, 0, GL_RGB, GL_FLOAT, faces.faces[face].data());
        checkGlError();
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    checkGlError();
    deleteEnvironment(environment);
    environment.cubeMap = cubeMap;
    environment.faceSize = faces.size;
    memcpy(environment.sh, sh, sizeof(environment.sh));
}

int largestCubeFace()
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &largest);
    checkGlError();
    return largest;
}

GLuint bindEnvironment(const EnvironmentGpu& environment, const ProgramInputs& inputs, GLuint unit)
{
    if (inputs.cubeMapLocation >= 0) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_CUBE_MAP, environment.cubeMap);
        glUniform1iARB(inputs.cubeMapLocation, GLint(unit));
        glActiveTexture(GL_TEXTURE0);
        checkGlError();
    }
    if (inputs.shLocation >= 0) {
        glUniform3fvARB(inputs.shLocation, inputs.shCount, &environment.sh[0][0]);
        checkGlError();
    }
    return inputs.cubeMapLocation >= 0 ? unit + 1 : unit;
}

void unbindEnvironment(const ProgramInputs& inputs, GLuint unit)
{
    if (inputs.cubeMapLocation < 0)
        return;
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glActiveTexture(GL_TEXTURE0);
    checkGlError();
}

void deleteEnvironment(EnvironmentGpu& environment)
{
    if (environment.cubeMap) {
        glDeleteTextures(1, &environment.cubeMap);
        checkGlError();
    }
    environment = EnvironmentGpu();
}
