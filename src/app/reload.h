#pragma once
// Reloading the data files while the viewer runs.

#include "app/viewer.h"

#include <cstdint>

// How often the files are looked at.
constexpr uint32_t lookEveryMs = 100;

// Starts watching the model, the shader files and the textures, as loaded at start-up; a built-in
// shader (ViewerOptions::vertexSource, fragmentSource) is not watched.
void watchDataFiles(Viewer& viewer);

// Makes the files the two shaders included (each list as loadShader gives it: the shader itself
// first) the ones watched: a file watched before keeps its watch and whether it changed, now
// loaded as stamped before this read; a new one is watched from its stamp.
void watchIncludes(Watch& watch, const std::vector<SourceFile>& vertexFiles,
                   const std::vector<SourceFile>& fragmentFiles);

// Watches the model's material libraries and maps (Viewer::modelFiles, the first 256), as they
// were read with it; a change of one reads the model again.
void watchModelFiles(Viewer& viewer);

// Called from the idle callback. At most every 100 ms, looks at the files' stamps; a file that
// changed and settled (fileSettledAfterChange) is read again. A model is read on a worker thread
// while the one shown keeps drawing (a newer change stops the reading in progress); when it reads
// it replaces the one drawn, a large one going up a piece each frame (and one of 2^18 indices or
// more, more than any shown before, then drawn unseen in four growing parts, a part a frame, into
// the framebuffer bound, which the next frame clears, before it is shown), unless it has problems the
// model drawn has not: that version is held back until its file has been quiet for two seconds.
// The shaders, when both compile and link, replace the program, which the next frame validates;
// so do the files they include. A texture that reads replaces its image. Each success prints
// "Reloaded [file]"; a failure prints its problem once and keeps what is shown. Needs the window's
// context current. Does nothing before
// watchDataFiles. True when what is drawn changed.
bool reloadChangedFiles(Viewer& viewer);

// Reads the model again, on a worker thread, and waits for it; when it reads, it replaces the mesh
// drawn (and its fit to the view) and "Reloaded [file]" is printed, or it is held back when it has
// new problems; when it cannot be read, the problem is printed and the old mesh stays. A file
// written to while it was read is left for its next version. True when the mesh drawn was
// replaced. (The watcher reads in the background instead, drawing on meanwhile.)
bool reloadModel(Viewer& viewer);

// Stops a reading of the model in progress and waits for its thread: before the viewer ends.
void stopModelReading(Viewer& viewer);

// Compiles both shaders again (a built-in one from its text) and links them, printing every log as
// at start-up. A program that
// links replaces the old one, which is deleted with its shaders, and "Reloaded [file]" is printed
// for each shader, or file they include, changed since the program drawing was made; otherwise the
// new objects are deleted and the old program stays, with its inputs. The included files are
// watched as this reading found them. True when the program was replaced.
bool reloadProgram(Viewer& viewer);
