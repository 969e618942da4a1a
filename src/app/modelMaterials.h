#pragma once
// A model's materials made ready to draw: their map images read, once per file, and uploaded.

#include "app/viewer.h"
#include "core/mesh/mesh.h"

#include <vector>

// Reads the image of each map the model's materials name, once per file, uploads it, and makes
// the materials those drawn (taking them from `mesh`); a map that cannot be read is reported
// ("Material [wood] is drawn without its map: cannot open file [wood.png]") and the material
// drawn with a white one. `files` gets the files the model was read from besides its own and the
// maps, each with its stamp from before it was read.
void showMaterials(Viewer& viewer, Mesh& mesh, std::vector<ModelFile>& files);
