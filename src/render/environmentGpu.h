#pragma once
// The environment on the GPU: the cube map of --cubemap (u_cubeMap) and its spherical-harmonic
// coefficients (u_SH). A look built on it adds its own textures here (a prefiltered specular mip
// chain, a split-sum table), made by replaceEnvironment and bound by bindEnvironment.

#include "core/environment/sphericalHarmonics.h"
#include "render/programInputs.h"

#include <GL/glew.h>

struct EnvironmentGpu {
    GLuint cubeMap = 0;  // 0: no environment; u_cubeMap reads black and u_SH zeros
    int faceSize = 0;
    float sh[shCoefficientCount][3] = {};
    // the physically based look's, made by prefilterEnvironment: the cube map prefiltered, a mip
    // level per roughness (u_prefilteredMap), and the split-sum table (u_brdfTable); 0 otherwise
    GLuint prefiltered = 0;
    GLuint brdfTable = 0;
};

// Uploads the faces into a new cube map (RGB 16-bit float where the driver has float textures,
// else 8-bit, clamped), filtered linearly between mipmaps, and takes the coefficients; deletes the
// cube map it replaces. Leaves unit 0 active with no cube map bound (each step checked).
void replaceEnvironment(EnvironmentGpu& environment, const CubeFaces& faces,
                        const float (&sh)[shCoefficientCount][3]);

// For the physically based look: prefilters the cube map on the GPU into a new cube map of
// prefilteredLevels mip levels (splitSum.h), level i the environment's radiance as a surface of
// roughness i / (levels - 1) reflects it, GGX importance sampled (64 samples a texel, each read
// from the source's mip level that averages what it stands for); and makes the split-sum table
// (32 x 32) the first time. Replaces the prefiltered map before; deletes nothing else. False,
// with the prefiltered map left 0, when the context cannot draw into a cube map's faces
// (framebuffer objects, float targets) or the program does not build; the caller says so.
// Seamless cube map filtering stays off: it halves the look's frame rate on llvmpipe, and the
// levels' faces meet at texels of the same directions, whose colours differ little.
// Leaves the framebuffer, viewport, depth test and program as it found them (each step checked).
bool prefilterEnvironment(EnvironmentGpu& environment);

// The largest cube map face the driver takes.
int largestCubeFace();

// Binds the cube map on texture unit `unit` for u_cubeMap and uploads u_SH, for a program that
// declares them (checked); then u_prefilteredMap and u_brdfTable, each on the next unit, when
// declared; nothing otherwise. Returns the next free unit. Needs the program in use.
GLuint bindEnvironment(const EnvironmentGpu& environment, const ProgramInputs& inputs, GLuint unit);

// Unbinds what bindEnvironment bound on `unit`, leaving unit 0 active.
void unbindEnvironment(const ProgramInputs& inputs, GLuint unit);

void deleteEnvironment(EnvironmentGpu& environment);
