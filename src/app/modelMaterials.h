#pragma once
// A model's materials made ready to draw: their map images read, once per file, and uploaded.

#include "app/viewer.h"
#include "core/mesh/mesh.h"

#include <vector>

// Reads the image of each map the model's materials name (diffuse, normal, metallic-roughness,
// occlusion, emissive), once per file or image the model holds, uploads it, and makes the
// materials those drawn (taking them from `mesh`); a map that cannot be read is reported once
// ("Material [wood] is drawn without its map: cannot open file [wood.png]", "... without its
// normal map: ...") and the material drawn with its factors and a white map (a flat normal map).
// `files` gets the files the model was read from besides its own and the maps' files, each with
// its stamp from before it was read.
void showMaterials(Viewer& viewer, Mesh& mesh, std::vector<ModelFile>& files);
