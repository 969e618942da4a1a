#include "core/mesh/gltfMaterials.h"

#include <cmath>

namespace {

// A factor in [0, 1], or `fallback` when it is not finite.
float unitFactor(double value, float fallback)
{
    if (!std::isfinite(value))
        return fallback;
    return value < 0.0 ? 0.0f : value > 1.0 ? 1.0f : float(value);
}

Vector3 colorFactor(const std::vector<double>& factor, Vector3 fallback)
{
    if (factor.size() < 3)
        return fallback;
    return Vector3{unitFactor(factor[0], fallback.x), unitFactor(factor[1], fallback.y), unitFactor(factor[2], fallback.z)};
}

// What the materials' maps are made of: the document's images, each made one of out.images once.
struct MapMaking {
    GltfDocument& document;
    Mesh& out;
    ProblemList& problems;
    std::vector<int32_t> embeddedOf;  // per document image: its index among out.images, or -1
};

MaterialMap mapOf(MapMaking& making, int texture, size_t material)
{
    MaterialMap map;
    if (texture < 0)
        return map;
    const tinygltf::Model& model = making.document.model;
    if (size_t(texture) >= model.textures.size()) {
        noticeProblem(making.problems, ProblemKind::gltfBadReferences, "from a material to a missing texture",
                      std::string(), material);
        return map;
    }
    int source = model.textures[size_t(texture)].source;
    if (source < 0 || size_t(source) >= making.document.images.size()) {
        noticeProblem(making.problems, ProblemKind::gltfBadReferences, "from a texture to a missing image",
                      std::string(), uint64_t(texture));
        return map;
    }
    GltfImage& image = making.document.images[size_t(source)];
    if (!image.file.empty()) {
        map.file = image.file;
        return map;
    }
    int32_t& embedded = making.embeddedOf[size_t(source)];
    if (embedded < 0) {
        EmbeddedImage taken;
        taken.name = image.name;
        const unsigned char* bytes;
        size_t size;
        if (image.bufferView >= 0 && gltfBufferViewBytes(making.document, image.bufferView, bytes, size))
            taken.bytes.assign(bytes, bytes + size);
        else
            taken.bytes = std::move(image.decoded);
        embedded = int32_t(making.out.images.size());
        making.out.images.push_back(std::move(taken));
    }
    map.embedded = embedded;
    return map;
}

Material defaultGltfMaterial()
{
    Material material;
    material.name = "default";
    material.diffuse = Vector3{1.0f, 1.0f, 1.0f};
    material.physical = true;
    material.metallic = 1.0f;
    material.roughness = 1.0f;
    return material;
}

// The specular color and shininess that the metal and roughness approximate.
void approximateSpecular(Material& material)
{
    float gloss = 1.0f - material.roughness;
    auto reflectance = [&](float base) { return (0.04f + (base - 0.04f) * material.metallic) * gloss; };
    material.specular = Vector3{reflectance(material.diffuse.x), reflectance(material.diffuse.y),
                                reflectance(material.diffuse.z)};
    double r4 = std::pow(double(material.roughness), 4.0);
    double exponent = r4 > 0.0 ? 2.0 / r4 - 2.0 : 128.0;
    material.shininess = float(exponent > 128.0 ? 128.0 : exponent);
}

Material convertMaterial(MapMaking& making, const tinygltf::Material& from, size_t index)
{
    Material material = defaultGltfMaterial();
    material.name = from.name.empty() ? "material " + std::to_string(index) : from.name;
    const tinygltf::PbrMetallicRoughness& pbr = from.pbrMetallicRoughness;
    material.diffuse = colorFactor(pbr.baseColorFactor, material.diffuse);
    material.alphaMode = from.alphaMode == "MASK"    ? AlphaMode::mask
                         : from.alphaMode == "BLEND" ? AlphaMode::blend
                                                     : AlphaMode::opaque;
    if (material.alphaMode != AlphaMode::opaque && pbr.baseColorFactor.size() == 4)
        material.opacity = unitFactor(pbr.baseColorFactor[3], 1.0f);
    material.alphaCutoff = std::isfinite(from.alphaCutoff) && from.alphaCutoff >= 0.0 ? float(from.alphaCutoff) : 0.5f;
    material.doubleSided = from.doubleSided;
    material.metallic = unitFactor(pbr.metallicFactor, 1.0f);
    material.roughness = unitFactor(pbr.roughnessFactor, 1.0f);
    material.emissive = colorFactor(from.emissiveFactor, Vector3{0.0f, 0.0f, 0.0f});
    approximateSpecular(material);
    material.diffuseMap = mapOf(making, pbr.baseColorTexture.index, index);
    material.metallicRoughnessMap = mapOf(making, pbr.metallicRoughnessTexture.index, index);
    material.normalMap = mapOf(making, from.normalTexture.index, index);
    material.occlusionMap = mapOf(making, from.occlusionTexture.index, index);
    material.emissiveMap = mapOf(making, from.emissiveTexture.index, index);
    return material;
}

} // namespace

void readGltfMaterials(GltfDocument& document, Mesh& out, ProblemList& problems)
{
    out.materials.clear();
    const std::vector<tinygltf::Material>& materials = document.model.materials;
    if (materials.empty())
        return;
    MapMaking making = {document, out, problems, std::vector<int32_t>(document.images.size(), -1)};
    out.materials.push_back(defaultGltfMaterial());
    for (size_t i = 0; i < materials.size(); ++i)
        out.materials.push_back(convertMaterial(making, materials[i], i));
}
