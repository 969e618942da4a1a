#pragma once
// The viewer's one state record, owned by the entry point and passed to what needs it.

#include "app/commandLine.h"
#include "core/files/fileWatch.h"
#include "core/math/matrix.h"
#include "core/mesh/objMesh.h"
#include "render/meshGpu.h"
#include "render/program.h"

#include <cstdint>

// The spin's clock: the process's tick count while it runs, one moment while it stands.
struct SpinClock {
    bool running;
    uint32_t stoppedAtMs;
};

// A version of the model that read with problems the model shown did not have, held back while
// the file may still be being written.
struct HeldModel {
    bool held;
    ObjMesh mesh;
    FileStamp stamp;     // the version read
    uint32_t readAtMs;
};

// Looking at the data files for changes, from the idle callback.
struct Watch {
    bool started;
    uint32_t lastLook;
    WatchedFile model, vertexShader, fragmentShader;
    bool vertexShaderChanged, fragmentShaderChanged;  // since the program drawing was made
    HeldModel heldModel;
};

struct Viewer {
    ViewerOptions options;
    MeshStore meshStore;
    ObjReport modelReport;  // the problems of the model drawn
    ShaderState shaderState;
    Matrix4 modelFit;  // with options.fit: the scale and translation that fill the view with the model
    SpinClock clock;
    Watch watch;
    const char* fileBeingRead;  // named when memory runs out while it is read
};

// A viewer with these options, nothing loaded yet: a snapshot stops the clock at its moment.
void startViewer(Viewer& viewer, const ViewerOptions& options);

// Milliseconds on the spin's clock now.
uint32_t spinTimeMs(const SpinClock& clock);
