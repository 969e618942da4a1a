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
};

// Uploads the faces into a new cube map (RGB 16-bit float where the driver has float textures,
// else 8-bit, clamped), filtered linearly between mipmaps, and takes the coefficients; deletes the
// cube map it replaces. Leaves unit 0 active with no cube map bound (each step checked).
void replaceEnvironment(EnvironmentGpu& environment, const CubeFaces& faces,
                        const float (&sh)[shCoefficientCount][3]);

// The largest cube map face the driver takes.
int largestCubeFace();

// Binds the cube map on texture unit `unit` for u_cubeMap and uploads u_SH, for a program that
// declares them (checked); nothing otherwise. Returns the next free unit. Needs the program in use.
GLuint bindEnvironment(const EnvironmentGpu& environment, const ProgramInputs& inputs, GLuint unit);

// Unbinds what bindEnvironment bound on `unit`, leaving unit 0 active.
void unbindEnvironment(const ProgramInputs& inputs, GLuint unit);

void deleteEnvironment(EnvironmentGpu& environment);
