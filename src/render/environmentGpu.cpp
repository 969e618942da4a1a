#include "render/environmentGpu.h"

#include "core/look/splitSum.h"
#include "render/frameTarget.h"
#include "render/glCheck.h"
#include "render/program.h"
#include "render/quadGpu.h"
#include "render/textures.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

// A new cube map, bound: filtered linearly between and within levels, clamped at its edges.
GLuint newCubeMap()
{
    return newClampedTexture(GL_TEXTURE_CUBE_MAP, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
}

} // namespace

void replaceEnvironment(EnvironmentGpu& environment, const CubeFaces& faces,
                        const float (&sh)[shCoefficientCount][3])
{
    bool floats = haveFloatTextures();
    GLuint cubeMap = newCubeMap();
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

namespace {

// The prefiltering program's vertex shader: the quad's corners, and their (s, t) from -1 to 1.
const char* const prefilterVertexShader = R"(#version 120
varying vec2 faceCoord;
void main()
{
    faceCoord = gl_Vertex.xy;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
)";

// Sums the samples about the direction of the texel drawn: each a light direction about the
// normal (0, 0, 1) weighted by n.l, read at its level of the source.
const char* const prefilterFragmentShader = R"(#version 120
#extension GL_ARB_shader_texture_lod : require
uniform samplerCube source;
uniform int face;
uniform int sampleCount;
uniform vec4 samples[64];
varying vec2 faceCoord;

// The direction of (s, t), each from -1 to 1, on a face, as OpenGL's cube map lookup places it.
vec3 faceDirection(vec2 c)
{
    if (face == 0) return vec3(1.0, -c.y, -c.x);
    if (face == 1) return vec3(-1.0, -c.y, c.x);
    if (face == 2) return vec3(c.x, 1.0, c.y);
    if (face == 3) return vec3(c.x, -1.0, -c.y);
    if (face == 4) return vec3(c.x, -c.y, 1.0);
    return vec3(-c.x, -c.y, -1.0);
}

void main()
{
    vec3 n = normalize(faceDirection(faceCoord));
    vec3 up = abs(n.y) < 0.999 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    vec3 across = normalize(cross(up, n));
    vec3 along = cross(n, across);
    vec3 sum = vec3(0.0);
    float weight = 0.0;
    for (int i = 0; i < 64; ++i) {
        if (i >= sampleCount)
            break;
        vec4 s = samples[i];
        vec3 l = across * s.x + along * s.y + n * s.z;
        sum += textureCubeLod(source, l, s.w).rgb * s.z;
        weight += s.z;
    }
    gl_FragColor = vec4(sum / weight, 1.0);
}
)";

// A cube map of prefilteredLevels levels, RGBA 16-bit float where the driver has float
// textures, filtered linearly between levels; unbound.
GLuint makePrefilteredMap()
{
    bool floats = haveFloatTextures();
    GLuint map = newCubeMap();
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_LEVEL, prefilteredLevels - 1);
    checkGlError();
    for (int level = 0; level < prefilteredLevels; ++level)
        for (int face = 0; face < 6; ++face)
            glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face), level, floats ? GL_RGBA16F_ARB : GL_RGBA8,
                         prefilteredSize >> level, prefilteredSize >> level, 0, GL_RGBA, GL_FLOAT, nullptr);
    checkGlError();
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    checkGlError();
    return map;
}

// The split-sum table as a 2D texture of 16-bit floats (8-bit without), clamped, filtered linearly.
GLuint makeBrdfTable()
{
    const int size = 32;
    std::vector<float> table;
    makeSplitSumTable(size, table);
    bool floats = haveFloatTextures();
    GLuint texture = newClampedTexture(GL_TEXTURE_2D, GL_LINEAR, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, floats ? GL_RGB16F_ARB : GL_RGB8, size, size, 0, GL_RGB, GL_FLOAT, table.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    checkGlError();
    return texture;
}

// Draws every face of every level of `map` from the cube map `source` (faces `sourceSize` a
// side) through the program, into the framebuffer bound; false when a face cannot be drawn into.
bool drawPrefilteredLevels(GLuint map, GLuint source, int sourceSize, const ShaderState& program)
{
    GLint faceAt = glGetUniformLocationARB(program.program, "face");
    GLint countAt = glGetUniformLocationARB(program.program, "sampleCount");
    GLint samplesAt = glGetUniformLocationARB(program.program, "samples");
    glUniform1iARB(glGetUniformLocationARB(program.program, "source"), 0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, source);
    checkGlError();
    QuadGpu quad = {0};
    MeshAttributeLocations none = meshAttributeLocations(ProgramInputs());
    bool drawn = true;
    std::vector<PrefilterSample> samples;
    for (int level = 0; level < prefilteredLevels && drawn; ++level) {
        prefilterSamples(double(level) / (prefilteredLevels - 1), 64, sourceSize, samples);
        glUniform1iARB(countAt, GLint(samples.size()));
        glUniform4fvARB(samplesAt, GLsizei(samples.size()), &samples[0].x);
        glViewport(0, 0, prefilteredSize >> level, prefilteredSize >> level);
        for (int face = 0; face < 6 && drawn; ++face) {
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face),
                                   map, level);
            drawn = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
            if (drawn) {
                glUniform1iARB(faceAt, face);
                drawQuad(quad, none);
            }
            checkGlError();
        }
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    deleteQuad(quad);
    checkGlError();
    return drawn;
}

} // namespace

bool prefilterEnvironment(EnvironmentGpu& environment)
{
    if (!environment.cubeMap || !haveFrameTargets() || !glFramebufferTexture2D || !GLEW_ARB_shader_texture_lod)
        return false;
    if (!environment.brdfTable)
        environment.brdfTable = makeBrdfTable();
    ShaderState program = ShaderState();
    program.vertexShader = compileShader(prefilterVertexShader, "(prefiltering vertex shader)", GL_VERTEX_SHADER_ARB);
    program.fragmentShader =
        compileShader(prefilterFragmentShader, "(prefiltering fragment shader)", GL_FRAGMENT_SHADER_ARB);
    if (program.vertexShader && program.fragmentShader)
        linkProgram(program.vertexShader, program.fragmentShader, program, {}, "", nullptr, false);
    if (!program.program) {
        deleteShaders(program);
        return false;
    }
    GLint viewport[4], framebuffer = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    GLuint drawInto = 0;
    glGenFramebuffers(1, &drawInto);
    glBindFramebuffer(GL_FRAMEBUFFER, drawInto);
    glUseProgramObjectARB(program.program);
    checkGlError();
    GLuint map = makePrefilteredMap();
    bool drawn = drawPrefilteredLevels(map, environment.cubeMap, environment.faceSize, program);
    glUseProgramObjectARB(0);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(framebuffer));
    glDeleteFramebuffers(1, &drawInto);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    checkGlError();
    deleteProgram(program);
    if (!drawn) {
        glDeleteTextures(1, &map);
        map = 0;
    }
    if (environment.prefiltered)
        glDeleteTextures(1, &environment.prefiltered);
    environment.prefiltered = map;
    checkGlError();
    return drawn;
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
    GLuint next = inputs.cubeMapLocation >= 0 ? unit + 1 : unit;
    const struct {
        GLint location;
        GLenum target;
        GLuint texture;
    } looks[] = {{inputs.prefilteredLocation, GL_TEXTURE_CUBE_MAP, environment.prefiltered},
                 {inputs.brdfTableLocation, GL_TEXTURE_2D, environment.brdfTable}};
    for (const auto& look : looks)
        if (look.location >= 0) {
            glActiveTexture(GL_TEXTURE0 + next);
            glBindTexture(look.target, look.texture);
            glUniform1iARB(look.location, GLint(next));
            glActiveTexture(GL_TEXTURE0);
            checkGlError();
            ++next;
        }
    return next;
}

void unbindEnvironment(const ProgramInputs& inputs, GLuint unit)
{
    if (inputs.cubeMapLocation >= 0) {
        glActiveTexture(GL_TEXTURE0 + unit++);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        glActiveTexture(GL_TEXTURE0);
        checkGlError();
    }
    if (inputs.prefilteredLocation >= 0) {
        glActiveTexture(GL_TEXTURE0 + unit++);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    }
    if (inputs.brdfTableLocation >= 0) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    if (inputs.prefilteredLocation >= 0 || inputs.brdfTableLocation >= 0) {
        glActiveTexture(GL_TEXTURE0);
        checkGlError();
    }
}

void deleteEnvironment(EnvironmentGpu& environment)
{
    for (GLuint* texture : {&environment.cubeMap, &environment.prefiltered, &environment.brdfTable})
        if (*texture) {
            glDeleteTextures(1, texture);
            checkGlError();
        }
    environment = EnvironmentGpu();
}
