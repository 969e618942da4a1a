#pragma once
// The shipped shaders, data/VertexProgram.glsl and data/FragmentProgram.glsl, compiled into the
// program. The build generates their definitions from the files themselves
// (cmake/embedShaders.cmake), so the two cannot differ. Zero-terminated.

extern const char builtinVertexShader[];
extern const char builtinFragmentShader[];
