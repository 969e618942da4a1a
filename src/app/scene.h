#pragma once
// Setting the scene up, and what each frame is drawn with.

#include "app/viewer.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"
#include "render/frame.h"

// Reads the model file into `mesh` as readModelFile does, whatever its format, its problems into
// `problems` (stopping early when `cancel` is set), on any thread; running out of memory while
// reading prints "Not enough memory to read [path]" and ends the process with status 1 (so does
// running out anywhere else, once a model was read, with "Not enough memory").
FileStatus readModel(const char* path, Mesh& mesh, ProblemList& problems, const std::atomic<bool>* cancel = nullptr);

// Logs the problems of the model read and keeps them; with the fit on, scales the positions of a
// model too small for the fit: what comes before the upload. Returns the power of two they were
// scaled by, which is the viewer's positionScale once the model is drawn.
int prepareModel(Viewer& viewer, Mesh& mesh, const ProblemList& problems);

// Makes the model's materials those drawn (reading their maps) and watches the files it was read
// from; with its mesh, as the mesh's ranges name them. In the look, the programs are built again
// when the materials need another variant of its fragment shader (lookVariantOf).
void takeMaterials(Viewer& viewer, Mesh& mesh);

// Prepares the model read and makes it the one drawn, with its materials: uploads it into new
// buffers, which replace the old ones (checked), and places it in the view.
void showModel(Viewer& viewer, Mesh& mesh, const ProblemList& problems);

// Reads the model named on the command line and shows it; false, with the problem logged, when
// it cannot be read.
bool loadObjMesh(Viewer& viewer);

// Places the model in the view after it is loaded: with the fit on, the transform that fills the view
// with it; without, a hint when it would show as a speck or reaches past the camera.
void placeModel(Viewer& viewer);

// Sets the depth and clear state, initialises GLEW, loads the mesh (none for the canvas), builds
// the programs of the frame's passes (their included files watched from then on) and loads the
// textures and the environment.
// Needs the window's context current. False, with the reason logged, when the viewer cannot go
// on: the context lacks entry points the viewer calls, or the model or a shader file cannot be
// opened. A shader with built-in text (ViewerOptions::vertexSource, fragmentSource) is compiled from it.
bool initScene(Viewer& viewer);

// Turns the fit to view on or off for the model shown (a model too small for the fit has its
// drawn positions scaled while it is on).
void toggleFit(Viewer& viewer);

// What the frame drawn now is drawn with: the camera's view and projection, the spin (with the
// fit) at the spin clock's time, the cut and the wireframe, and the values of the u_ uniforms;
// counts the frame as drawn.
void frameInputs(Viewer& viewer, FrameInputs& out);

// Draws the frame of now into the framebuffer bound, without swapping; into `multisample`, the
// multisampled target bound, the scene that post-processing samples is resolved before it does.
void drawViewerFrame(Viewer& viewer, const MultisampleTarget* multisample = nullptr);

// Draws the frame of now into `into` (a framebuffer object, or 0 for the default framebuffer, of
// the viewer's window size, bound): with multisampling, into the multisampled target, then
// resolved into `into` (its depth too where its depth is of `depthFormat`), which is left bound;
// otherwise as drawViewerFrame does, with no other call.
void drawViewerFrameInto(Viewer& viewer, GLuint into, GLenum depthFormat);
