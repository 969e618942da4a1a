#pragma once
// Reloading the data files while the viewer runs.

#include "app/viewer.h"

// Starts watching the model and the shader files, as loaded at start-up; a built-in shader
// (ViewerOptions::vertexSource, fragmentSource) is not watched.
void watchDataFiles(Viewer& viewer);

// Called from the idle callback. At most every 100 ms, looks at the files' sizes and modification
// times; a file that changed and settled is read again. A model that reads replaces the one drawn;
// the shaders, when both compile and link, replace the program, which the next frame validates.
// Each success prints "Reloaded [file]"; a failure prints its problem once and keeps what is
// shown. Needs the window's context current. Does nothing before watchDataFiles.
void reloadChangedFiles(Viewer& viewer);

// Reads the model again; when it reads, it replaces the mesh drawn (and its fit to the view) and
// "Reloaded [file]" is printed; when it cannot be read, the problem is printed and the old mesh
// stays. A file written to while it was read is left for its next version.
void reloadModel(Viewer& viewer);

// Compiles both shaders again (a built-in one from its text) and links them, printing every log as
// at start-up. A program that
// links replaces the old one, which is deleted with its shaders, and "Reloaded [file]" is printed
// for each file that changed; otherwise the new objects are deleted and the old program stays.
void reloadProgram(Viewer& viewer, bool vertexChanged, bool fragmentChanged);
