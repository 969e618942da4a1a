#pragma once
// A model's materials made ready to draw: their map images read, once per file, and uploaded.

#include "app/viewer.h"
#include "core/mesh/objMesh.h"

#include <vector>

// Reads the image of each map the model's materials name, once per file, uploads it, and makes
// the materials those drawn (taking them from `mesh`); a map that cannot be read is reported
// ("Material [wood] is drawn without its map: cannot open file [wood.png]") and the material
// drawn with a white one. A model whose materials no library defines has none: its triangles are
// drawn batch by batch. `files` gets the libraries the model read and the maps, each with its
// stamp from before it was read.
void showMaterials(Viewer& viewer, ObjMesh& mesh, std::vector<MaterialFile>& files);
