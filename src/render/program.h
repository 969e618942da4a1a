#pragma once
// The shader program on the GPU: compiling both stages, linking, finding the uniforms,
// validating once, replacing and deleting.

#include "core/files/fileBytes.h"

#include <GL/glew.h>

struct ShaderState {
    GLhandleARB vertexShader;
    GLhandleARB fragmentShader;
    GLhandleARB program;  // 0 when linking failed
    GLint vpMatrixLocation;
    GLint wMatrixLocation;
    bool programValidated;  // set by the first frame that draws with it
};

// Reads the file whole and compiles it into a shader object of shaderType
// (GL_VERTEX_SHADER_ARB or GL_FRAGMENT_SHADER_ARB); a zero byte ends the source. Returns the
// handle, or 0 when compilation failed (the headline and the driver's log are logged and the
// object deleted). A file that cannot be read sets `status` (cannotOpen or outOfMemory), logs
// nothing, makes no object and returns 0. Needs a current context with GLEW initialised.
GLhandleARB loadShader(const char* path, GLenum shaderType, FileStatus& status);

// Compiles the zero-terminated `source` into a shader object of shaderType, as loadShader does
// with a file's text: the handle, or 0 with the headline and the driver's log logged.
GLhandleARB compileShader(const char* source, GLenum shaderType);

// Creates a program of the two shaders (a failed one is 0, and attaching it is an error the
// checks report), links it, and looks up the uniforms "VPMatrix" and "WMatrix". A failed link
// logs the headline and the driver's log and leaves `state.program` 0, the program deleted.
void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state);

// On the first call for a program only (a failed validation is not retried): validates it and
// logs the outcome with the driver's log. Needs the program in use and the arrays bound.
void validateProgramOnce(ShaderState& state);

// Deletes the shaders of a program that did not link, or that was never made.
void deleteShaders(ShaderState& state);

// When `fresh` linked, deletes the program and shaders of `current` and makes `fresh` current,
// to be validated on its next frame, and returns true; otherwise deletes fresh's shaders and
// leaves `current` drawing.
bool replaceProgram(ShaderState& current, ShaderState& fresh);
