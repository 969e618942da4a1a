#pragma once
// A model's materials on the GPU: the images of their maps, a white one (or a flat normal map) for
// those without, and setting a material before its triangles are drawn.

#include "core/mesh/materials.h"
#include "render/programInputs.h"
#include "render/textures.h"

#include <GL/glew.h>

#include <cstdint>
#include <vector>

struct MaterialsGpu {
    std::vector<Material> materials;  // as the model gives them; empty for a model without
    // per material, materialMapKinds each (MaterialMapKind): its map among `maps`, or -1 for the
    // white one (the flat normal for a normal map)
    std::vector<int> mapOf;
    std::vector<TextureGpu> maps;     // one per image that read
    TextureGpu white;                 // one white pixel, made with the first material that needs it
    TextureGpu flatNormal;            // the normal (0, 0, 1), made with the white one
    bool active;                      // the model has materials or vertex colours: they are set
};

// Makes `materials` those drawn, each with its maps at mapOf (indices into `maps`, which it
// takes, or -1; materialMapKinds a material), deleting the textures it replaces. A model without
// materials but with vertex colours (`colored`) gets the default material; one with neither
// makes nothing active.
void replaceMaterials(MaterialsGpu& gpu, std::vector<Material>& materials, std::vector<int>& mapOf,
                      std::vector<TextureGpu>& maps, bool colored);

// Sets material `material` for the triangles that follow: the fixed-function material state
// (front and back: ambient, diffuse with d as its alpha, specular, shininess clamped to 128),
// the material uniforms the program declares, and the maps its samplers name, each on its unit
// from `unit` on (u_diffuseMap on `unit`, u_normalMap on the next, in MaterialMapKind's order;
// the white or flat one where the material has none) (checked). Needs the program in use.
void useMaterial(const MaterialsGpu& gpu, const ProgramInputs& inputs, uint32_t material, GLuint unit);

// Puts back the fixed-function material state and unbinds the maps' units, leaving unit 0 active.
void endMaterials(const ProgramInputs& inputs, GLuint unit);

// Gives a program that declares u_opacity the 0 of a model without materials, as a program
// never given one has (checked). Needs the program in use.
void clearMaterialUniforms(const ProgramInputs& inputs);
