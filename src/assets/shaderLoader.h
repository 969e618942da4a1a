#pragma once
// Reading and compiling one GLSL source file.

#include "assets/fileBytes.h"

#include <GL/glew.h>

// Reads the file whole and compiles it into a shader object of shaderType
// (GL_VERTEX_SHADER_ARB or GL_FRAGMENT_SHADER_ARB). Returns the handle, or 0 when compilation
// failed (the headline and the driver's log are logged) or the source could not be held in
// memory. A file that cannot be opened ends the process with status 1. A zero byte ends the
// source. Needs a current context with GLEW initialised.
GLhandleARB loadShader(const char* path, GLenum shaderType);

// loadShader, but a file that cannot be read only sets `status` (cannotOpen or outOfMemory, with
// nothing logged and no object made) and returns 0.
GLhandleARB compileShaderFile(const char* path, GLenum shaderType, FileStatus& status);
