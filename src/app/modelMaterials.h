#pragma once
// A model's materials made ready to draw: their map images read, once per file, and uploaded.

#include "app/viewer.h"
#include "core/mesh/objMesh.h"

#include <string>
#include <vector>

// Reads the image of each map the model's materials name, once per file, uploads it, and makes
// the materials those drawn (taking them from `mesh`); a map that cannot be read is reported
// ("Material [wood] is drawn without its map: cannot open file [wood.png]") and the material
// drawn with a white one. A model whose material names no library defines has no materials.
void showMaterials(Viewer& viewer, ObjMesh& mesh);

// The files a model read from besides itself: its material libraries and their maps, each once.
std::vector<std::string> materialFiles(const ObjMesh& mesh, const char* model);
