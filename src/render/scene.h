#pragma once
// One-time scene set-up and the shader state every frame reads.

#include <GL/glew.h>

// The three data files: "torus.obj", "VertexProgram.glsl" and "FragmentProgram.glsl" in the working
// directory, unless the command line names others.
struct SceneFiles {
    const char* model;
    const char* vertexShader;
    const char* fragmentShader;
};

extern SceneFiles sceneFiles;

struct ShaderState {
    GLhandleARB vertexShader;
    GLhandleARB fragmentShader;
    GLhandleARB program;  // 0 when linking failed
    GLint vpMatrixLocation;
    GLint wMatrixLocation;
    bool programValidated;  // set by the first frame
};

extern ShaderState shaderState;

// Creates a program of the two shaders (a failed one is 0, and attaching it is an error the
// checks report), links it, and looks up the uniforms "VPMatrix" and "WMatrix". A failed link
// logs the headline and the driver's log and leaves `state.program` 0, the program deleted.
void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state);

// Places the model in the view after it is loaded: with --fit, the transform that fills the view
// with it; without, a hint when it would show as a speck or reaches past the camera.
void placeModel();

// Sets the depth and clear state, initialises GLEW, loads the mesh and builds the program.
// Needs the window's context current.
void initScene();
