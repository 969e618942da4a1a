#pragma once
// Materials: what a surface looks like, of every format; and those of OBJ files, read from the MTL
// files that mtllib names.

#include "core/math/vector.h"
#include "core/mesh/problems.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An image a material maps: a file (found from the folder of the file that names it), or one the
// model holds itself (a glTF buffer view or data: URI), by its index among Mesh::images. Neither:
// no map.
struct MaterialMap {
    std::string file;
    int32_t embedded = -1;
};

// How a material's alpha (its opacity times its map's alpha) is taken.
enum class AlphaMode : uint8_t { opaque, mask, blend };

// A surface's material. The default one (faces before any usemtl, or naming a material no file
// defines) is light grey, matt and opaque, without a map.
struct Material {
    std::string name;
    Vector3 ambient = {0.2f, 0.2f, 0.2f};   // Ka
    Vector3 diffuse = {0.8f, 0.8f, 0.8f};   // Kd, or glTF's base color
    Vector3 specular = {0.0f, 0.0f, 0.0f};  // Ks
    float shininess = 0.0f;                 // Ns
    float opacity = 1.0f;                   // d, or 1 - Tr; glTF's base color alpha
    MaterialMap diffuseMap;                 // map_Kd, or glTF's base color texture
    // glTF's metallic-roughness model; `physical` tells that the file gave it
    bool physical = false;
    float metallic = 0.0f;
    float roughness = 1.0f;
    Vector3 emissive = {0.0f, 0.0f, 0.0f};
    MaterialMap normalMap, metallicRoughnessMap, occlusionMap, emissiveMap;
    AlphaMode alphaMode = AlphaMode::opaque;
    float alphaCutoff = 0.5f;
    bool doubleSided = false;
};

// The maps a material may have, in the order of their uniforms (u_diffuseMap first).
enum MaterialMapKind { diffuseMapKind, normalMapKind, metallicRoughnessMapKind, occlusionMapKind, emissiveMapKind,
                       materialMapKinds };

// The roughness and the dielectric's reflectance at normal incidence (F0) of the material in the
// physically based look: glTF's roughness and 0.04; for the other formats (OBJ, and those of the
// general importer), sqrt(2 / (Ns + 2)) (Ns below 0 taken as 0: roughness 1) and 0.08 Ks, each
// clamped to [0, 1], so that the common Ks of 0.5 gives glTF's 0.04 and Ks 0 no specular light.
void physicalInputsOf(const Material& material, float& roughness, Vector3& reflectance);

// The material's map of that kind.
const MaterialMap& materialMap(const Material& material, MaterialMapKind kind);

// True when the map names an image.
inline bool hasMap(const MaterialMap& map)
{
    return !map.file.empty() || map.embedded >= 0;
}

// Reads MTL text, the file at `path`, into `out`, appending a material for each newmtl: Kd, Ka,
// Ks, Ke (three numbers, or one for grey; two, or a non-finite one, are reported and change
// nothing), Ns, d, Tr (1 - d, used only without d: a material Tr alone would make fully
// transparent stays opaque, and that is reported once a file), and the maps map_Kd (diffuse),
// map_Ke (emission), map_Bump, bump and norm (normal map): the rest of the line after its options,
// spaces and all, found from the folder of `path`; map_Kd's options reported as ignored. MTL
// statements that do not show here (illum, Ni, map_Ks...) are passed over; any other statement
// is reported. Problems go into `problems`, one per kind and keyword, with its first line.
void readMtlText(const char* text, size_t size, const std::string& path, std::vector<Material>& out,
                 ProblemList& problems);

// The files an mtllib line of the model at `model` names, found from its folder: the whole line
// when it names an existing file (a name with spaces), else each word of it.
std::vector<std::string> libraryFiles(const std::string& line, const std::string& model);
