#pragma once
// The viewer's one state record, owned by the entry point and passed to what needs it.

#include "app/commandLine.h"
#include "app/lookShader.h"
#include "core/files/fileWatch.h"
#include "core/math/matrix.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"
#include "core/view/camera.h"
#include "render/environmentGpu.h"
#include "render/materialsGpu.h"
#include "render/meshGpu.h"
#include "render/multisampleTarget.h"
#include "render/passPrograms.h"
#include "render/passTargets.h"
#include "render/program.h"
#include "render/quadGpu.h"
#include "render/textures.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <thread>
#include <string>
#include <vector>

// The spin's clock: while it runs, shownMs plus the milliseconds ticked since sinceTickMs,
// wrapping as the tick count does; while it stands, stillSeconds.
struct SpinClock {
    bool running;
    uint32_t shownMs;
    uint32_t sinceTickMs;
    double stillSeconds;
};

// What the user changes with the mouse and the keys.
struct ViewState {
    Camera camera;
    bool cut;        // clip plane 0 cuts the model
    bool wireframe;  // only the edges of the triangles are drawn
    bool fit;        // the world matrix also applies modelFit
    double aspect;   // of the projection: 1 for the window, which stretches; a snapshot's --size
    bool edges;      // the edges of the triangles drawn over the shaded model
    bool grid;       // a ground grid drawn under the model
    // the look's key light: following the camera, or standing in the world toward fixedLight
    bool lightFollows;
    Vector3 fixedLight;
};

// The mouse button held down, and where the pointer was at the last event.
struct Pointer {
    enum Drag { none, orbit, zoom, pan } drag;
    int x, y;
};

// A version of the model that read with problems the model shown did not have, held back while
// the file may still be being written.
struct HeldModel {
    bool held;
    Mesh mesh;
    ProblemList problems;
    FileStamp stamp;     // the version read
    uint32_t readAtMs;
};

// The model's new version read on a worker thread, while the main thread draws the one shown.
struct ModelReading {
    std::thread worker;
    std::atomic<bool> done{false};    // set by the worker once mesh and status are written
    std::atomic<bool> cancel{false};  // asks the worker to stop: a newer version is to be read
    FileStamp stamp;                  // the version being read
    Mesh mesh;
    ProblemList problems;
    FileStatus status;
};

// A reloaded model larger than any shown before, drawn unseen in growing parts, a part a frame,
// before it is shown: the driver grows what it keeps for drawing a frame (llvmpipe: the memory of
// the triangles it sorts into tiles) in those frames, and not in the one that shows the model.
struct WarmUp {
    uint32_t partsDrawn;
    uint32_t parts;  // 0: the model going up is shown without
    Matrix4 fit;     // the new model's, with the fit on
};

// A file that a shader includes, watched as the shaders are.
struct WatchedInclude {
    std::string path;
    WatchedFile file;  // file.path is path's text
    bool changed;      // since the program drawing was made
};

// Looking at the data files for changes, from the idle callback.
struct Watch {
    bool started;
    uint32_t lastLook;
    WatchedFile model, vertexShader, fragmentShader;
    bool vertexShaderChanged, fragmentShaderChanged;  // since the program drawing was made
    HeldModel heldModel;
    std::unique_ptr<ModelReading> reading;  // none while no model is being read
    MeshUpload upload;                      // a large model going up a piece each frame
    int uploadPositionScale;                // its positions' power of two for the fit
    WarmUp warmUp;                          // of the model going up, once it is up
    bool timerArmed;  // a timer will look at the files: the spin stands, and no idle callback does
    std::vector<WatchedFile> textures;     // one per --texture, in order
    std::vector<WatchedInclude> includes;  // the files the shaders included when last read
    std::vector<WatchedFile> modelFiles;   // those of Viewer::modelFiles: a change reads the model again
    WatchedFile cubeMap;                   // --cubemap's image
};

// Multisampling: the frame drawn into a multisampled target, then resolved into the one shown
// or read.
struct Multisampling {
    int samples;        // a pixel, as asked and then as the driver allows; 0 or 1: none
    bool limitRead;     // the driver's largest count was looked at
    bool toldRefused;   // a size the driver refused was said
    int refusedWidth, refusedHeight;  // not tried again
    MultisampleTarget target;
};

// The frames drawn, for u_frame and u_delta.
struct FrameCount {
    uint32_t drawn;
    double lastSpinSeconds;  // the spin's clock at the last one
};

struct Viewer {
    ViewerOptions options;
    MeshStore meshStore;
    MaterialsGpu materials;  // the model's
    std::vector<ModelFile> modelFiles;  // the files it was read from besides its own, and its maps, watched with it
    ProblemList modelProblems;          // the problems of the model drawn
    int positionScale;      // the power of two the drawn positions were multiplied by for the fit
    size_t mostIndicesShown;  // the most indices of a model shown so far
    ShaderState shaderState;  // the main pass's program
    // the look's fragment shader for the model's materials, which options.fragmentSource points
    // at in the look, and the variant it was written for
    std::string lookSource;
    LookVariant lookVariant;
    PassPrograms passes;      // the frame's passes, and the programs of those but the main one
    PassTargets targets;      // the textures the passes draw into
    QuadGpu quad;             // the full-window quad of the passes that draw one
    EnvironmentGpu environment;  // --cubemap's
    Matrix4 modelFit;  // with view.fit: the scale and translation that fill the view with the model
    SpinClock clock;
    ViewState view;
    Pointer pointer;
    Watch watch;
    FILE* frameLog;  // SPINVIEW_FRAME_TIMES: the tick count of each frame shown, one a line
    std::vector<TextureGpu> textures;  // one per --texture, in order: texture unit i is textures[i]
    FrameCount frames;
    int windowWidth, windowHeight;  // as the last reshape gave them
    Multisampling multisampling;
    std::vector<float> gridLines;  // the ground grid's, under the model as placed (groundGrid)
};

// A viewer with these options, nothing loaded yet: the camera, the spin, the cut and the fit as
// the options start them (a snapshot stops the spin at its moment).
void startViewer(Viewer& viewer, const ViewerOptions& options);

// The look's key light stops following the camera, standing where it is in the world, or follows
// it again.
void toggleLightFollows(ViewState& view);

// Puts the camera and the spin back as the viewer started.
void resetView(Viewer& viewer);

// Seconds on the spin's clock now; while it runs, its milliseconds divided by 1000 in double.
double spinSeconds(const SpinClock& clock);

// Stops the spin where it is, or lets it go on from there, without a jump.
void toggleSpin(SpinClock& clock);
