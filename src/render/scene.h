#pragma once
// One-time scene set-up and the shader state every frame reads.

#include <GL/glew.h>

struct ShaderState {
    GLhandleARB vertexShader;
    GLhandleARB fragmentShader;
    GLhandleARB program;  // 0 when linking failed
    GLint vpMatrixLocation;
    GLint wMatrixLocation;
    bool programValidated;  // set by the first frame
};

extern ShaderState shaderState;

// Sets the depth and clear state, initialises GLEW, loads the mesh and builds the program.
// Needs the window's context current.
void initScene();
