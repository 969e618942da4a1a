#pragma once
// The general importer: the model formats the viewer has no reader of its own for (FBX, COLLADA,
// 3DS, X, LWO, OFF...), through libassimp where the build has it (importerAssimp.cpp), or else a
// stand-in that says which files it cannot read (importerAbsent.cpp): the build picks one file.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <string>

// True for an extension (lower case, with the dot) the importer reads; never .obj, .gltf, .glb,
// .ply or .stl, which always go to the viewer's own readers.
bool importerTakesExtension(const char* extension);

// Reads the model file at `path` into `out` (replaced): its meshes' triangles (polygons
// triangulated) in the world of their nodes (normals by the inverse transpose, the winding turned
// where a transform mirrors), smooth normals where the file has none, the first texture
// coordinates and colors, and each material's diffuse, ambient and specular colors, shininess,
// opacity and diffuse (or base color) map: a file beside the model, or an image the model holds.
// Points and lines are skipped and told; a file the importer cannot read is told with its reason
// and gives an empty mesh. cannotOpen when the file cannot be opened, cancelled when `cancel`
// was set meanwhile (looked at after the import, which cannot be stopped).
FileStatus readImportedFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel);

// The importer the build has, for --version ("Assimp 5.2.5"); "" when it has none.
std::string importerName();
