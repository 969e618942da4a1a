#pragma once
// The textures named on the command line, on the GPU: creating, replacing, binding to the
// program's samplers, deleting.

#include "render/programInputs.h"

#include <GL/glew.h>

#include <vector>

struct TextureGpu {
    GLuint object;  // 0 before the first upload
    int width, height;
};

// Uploads width x height RGBA pixels, bottom row first, into a new texture object, mipmapped,
// repeating and filtered linearly, then deletes the object `texture` held (each step checked).
// False, with nothing changed, when the driver's largest texture is smaller: `largest` gets its
// size. Leaves texture unit 0 active with no texture bound.
bool replaceTexture(TextureGpu& texture, int width, int height, const unsigned char* bottomUpRgba, int& largest);

// Replaces the texture with one black pixel, which a sampler reads as black everywhere.
void replaceWithBlack(TextureGpu& texture);

// Replaces the texture with one white pixel, for a material without a map.
void replaceWithWhite(TextureGpu& texture);

// Replaces the texture with one pixel of a normal map's unturned normal (0, 0, 1): (128, 128, 255).
void replaceWithFlatNormal(TextureGpu& texture);

void deleteTexture(TextureGpu& texture);

// Binds each texture the program samples to its unit and points its sampler there, with its
// NAMEResolution (checked), leaving unit 0 active. Nothing for a program that samples none.
// Needs the program in use.
void bindSamplers(const ProgramInputs& inputs, const std::vector<TextureGpu>& textures);

// Unbinds what bindSamplers bound, leaving unit 0 active.
void unbindSamplers(const ProgramInputs& inputs);

// Whether the driver has float textures (OpenGL 3.0, or ARB_texture_float).
bool haveFloatTextures();

// A new texture object of `target` (GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP), left bound: filtered by
// `minFilter` and `magFilter`, clamped at its edges; its images are the caller's.
GLuint newClampedTexture(GLenum target, GLint minFilter, GLint magFilter);
