#pragma once
// Where each shader's text comes from (its file, the built-in copy of the shipped one, or a vertex
// shader the viewer writes for the fragment shader), and loading the programs of a frame's passes
// from them: the one loader of start-up and reload.

#include "app/commandLine.h"
#include "core/files/fileBytes.h"
#include "core/shader/includes.h"
#include "render/passPrograms.h"

#include <GL/glew.h>

#include <vector>

// For a model named on the command line, each shader that is neither named by an option nor a
// file in the working directory (under its default name) is taken from the built-in text:
// options.vertexSource or fragmentSource is set. Without a named model nothing changes, and the
// files are read as named, present or not. The physically based look is taken instead (both
// sources built in, the fragment shader the look's, options.look set) for a model named with no
// shader named and neither file there, unless --look classic; and for --look pbr with no shader
// named (whatever the working directory holds), on the model named or torus.obj.
void useBuiltinShadersWhereMissing(ViewerOptions& options);

// Compiles a stage from `builtin` when it is not null (status ok, no file read), else from the
// file at path with the files it includes, as loadShader does (`files` gets those read).
GLhandleARB loadShaderStage(const char* path, const char* builtin, GLenum shaderType, FileStatus& status,
                            std::vector<SourceFile>& files);

// How the stages' files read for a set of programs: each one's status, and the files read or tried
// (the shader itself first, then its includes), with their stamps from before they were read.
struct LoadedStages {
    FileStatus vertexStatus = FileStatus::ok;
    FileStatus fragmentStatus = FileStatus::ok;
    std::vector<SourceFile> vertexFiles, fragmentFiles;
};

// Reads both stages as the options name them, plans the frame's passes from what the fragment
// shader declares, and compiles and links the program of each pass into `main` (the main pass)
// and `passes` (the others): the main pass from the files as they are, the others from the
// fragment shader with the pass's define after its #version line and the viewer's vertex shader
// for a full-window quad. The main pass's stages are compiled and linked first; a pass that fails
// ends the building, its messages naming it ("[BUFFER_0]"). A file that cannot be opened or held
// in memory compiles nothing of its stage and is told in `loaded`, not logged; one that cannot be
// opened compiles nothing at all. With `linkFailedStages`, the main program is linked even when a
// stage failed (the null handle attached, as at start-up); otherwise it is not.
void loadPassPrograms(const ViewerOptions& options, ShaderState& main, PassPrograms& passes, LoadedStages& loaded,
                      bool linkFailedStages);
