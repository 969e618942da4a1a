#pragma once
// A glTF model's materials as the viewer's: metallic-roughness factors and maps, with the images
// they map as files or as images the model holds.

#include "core/mesh/gltfDocument.h"

// Makes out.materials the document's materials, after a first one for the primitives without
// (glTF's default: white, fully metallic and rough), or leaves it empty for a model without
// materials. Each takes: the base color as the diffuse color and, but for an opaque material,
// its alpha as the opacity; the base color texture as the diffuse map; a specular color and
// shininess for lighting models without metal and roughness (the reflectance at normal incidence,
// 0.04 for a dielectric and the base color for a metal, times 1 - roughness; the Blinn-Phong
// exponent 2 / roughness^4 - 2, at most 128); metallic, roughness and emissive factors; the
// normal, metallic-roughness, occlusion and emissive textures; alpha mode and cutoff; double
// sidedness. A map's image is its file, or one of out.images, each taken once from the document
// (which it empties of their bytes). References to missing textures or images are told
// (gltfBadReferences) and give no map; non-finite factors keep glTF's defaults.
void readGltfMaterials(GltfDocument& document, Mesh& out, ProblemList& problems);
