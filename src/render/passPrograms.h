#pragma once
// The programs of a frame's passes: one per pass of the plan, each built from the same shader
// files with the pass's define. The main pass's program is the viewer's ShaderState; the others
// are kept here.

#include "core/frame/passPlan.h"
#include "render/program.h"

#include <vector>

struct PassPrograms {
    FramePlan plan;                     // the main pass alone until programs are built
    std::vector<ShaderState> programs;  // one per pass of the plan; the main pass's entry stays empty
};

// A plan of the main pass alone, with no other program.
void planMainPassOnly(PassPrograms& passes, bool drawsModel);

// The program of pass `index`: `main` for the main pass.
ShaderState& passProgram(ShaderState& main, PassPrograms& passes, size_t index);

// True when every program of the list (the main one included) linked.
bool allPassesLinked(const ShaderState& main, const PassPrograms& passes);

// Deletes the programs of the passes other than the main one, leaving the plan.
void deletePassPrograms(PassPrograms& passes);

// When every fresh program linked, deletes the current ones and makes the fresh ones current (each
// validated on its next frame) and returns true; otherwise deletes the fresh ones and leaves the
// current ones drawing.
bool replacePassPrograms(ShaderState& main, PassPrograms& passes, ShaderState& freshMain, PassPrograms& fresh);
