#pragma once
// The viewer's one state record, owned by the entry point and passed to what needs it.

#include "app/commandLine.h"
#include "core/files/fileWatch.h"
#include "core/math/matrix.h"
#include "core/mesh/objMesh.h"
#include "core/view/camera.h"
#include "render/meshGpu.h"
#include "render/program.h"
#include "render/textures.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The spin's clock, in milliseconds: while it runs, shownMs plus the ticks since sinceTickMs;
// while it stands, shownMs.
struct SpinClock {
    bool running;
    uint32_t shownMs;
    uint32_t sinceTickMs;
};

// What the user changes with the mouse and the keys.
struct ViewState {
    Camera camera;
    bool cut;        // clip plane 0 cuts the model
    bool wireframe;  // only the edges of the triangles are drawn
    bool fit;        // the world matrix also applies modelFit
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
    ObjMesh mesh;
    FileStamp stamp;     // the version read
    uint32_t readAtMs;
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
    bool timerArmed;  // a timer will look at the files: the spin stands, and no idle callback does
    std::vector<WatchedFile> textures;     // one per --texture, in order
    std::vector<WatchedInclude> includes;  // the files the shaders included when last read
};

// The frames drawn, for u_frame and u_delta.
struct FrameCount {
    uint32_t drawn;
    uint32_t lastSpinMs;  // the spin's clock at the last one
};

struct Viewer {
    ViewerOptions options;
    MeshStore meshStore;
    ObjReport modelReport;  // the problems of the model drawn
    int positionScale;      // the power of two the drawn positions were multiplied by for the fit
    ShaderState shaderState;
    Matrix4 modelFit;  // with view.fit: the scale and translation that fill the view with the model
    SpinClock clock;
    ViewState view;
    Pointer pointer;
    Watch watch;
    FILE* frameLog;  // SPINVIEW_FRAME_TIMES: the tick count of each frame shown, one a line
    std::vector<TextureGpu> textures;  // one per --texture, in order: texture unit i is textures[i]
    FrameCount frames;
    int windowWidth, windowHeight;  // as the last reshape gave them
};

// A viewer with these options, nothing loaded yet: the camera, the spin, the cut and the fit as
// the options start them (a snapshot stops the spin at its moment).
void startViewer(Viewer& viewer, const ViewerOptions& options);

// Puts the camera and the spin back as the viewer started.
void resetView(Viewer& viewer);

// Milliseconds on the spin's clock now.
uint32_t spinTimeMs(const SpinClock& clock);

// Stops the spin where it is, or lets it go on from there, without a jump.
void toggleSpin(SpinClock& clock);
