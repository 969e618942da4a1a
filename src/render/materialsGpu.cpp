#include "render/materialsGpu.h"

#include "render/glCheck.h"

#include <utility>

namespace {

void setMaterialColor(GLenum which, const Vector3& color, float alpha)
{
    const GLfloat rgba[4] = {color.x, color.y, color.z, alpha};
    glMaterialfv(GL_FRONT_AND_BACK, which, rgba);
}

void uploadColor(GLint location, const Vector3& color)
{
    if (location >= 0)
        glUniform3fARB(location, color.x, color.y, color.z);
}

void uploadNumber(GLint location, float number)
{
    if (location >= 0)
        glUniform1fARB(location, number);
}

} // namespace

void replaceMaterials(MaterialsGpu& gpu, std::vector<Material>& materials, std::vector<int>& mapOf,
                      std::vector<TextureGpu>& maps, bool colored)
{
    for (TextureGpu& map : gpu.maps)
        deleteTexture(map);
    gpu.maps = std::move(maps);
    gpu.materials = std::move(materials);
    gpu.mapOf = std::move(mapOf);
    if (gpu.materials.empty() && colored) {
        gpu.materials.push_back(Material());
        gpu.mapOf.assign(materialMapKinds, -1);
    }
    gpu.active = !gpu.materials.empty();
    if (gpu.active && gpu.white.object == 0)
        replaceWithWhite(gpu.white);
    if (gpu.active && gpu.flatNormal.object == 0)
        replaceWithFlatNormal(gpu.flatNormal);
}

void useMaterial(const MaterialsGpu& gpu, const ProgramInputs& inputs, uint32_t material, GLuint unit)
{
    if (material >= gpu.materials.size())  // a range of a material dropped: the default's look
        material = 0;
    const Material& m = gpu.materials[material];
    setMaterialColor(GL_AMBIENT, m.ambient, 1.0f);
    setMaterialColor(GL_DIFFUSE, m.diffuse, m.opacity);
    setMaterialColor(GL_SPECULAR, m.specular, 1.0f);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess < 0.0f ? 0.0f : m.shininess > 128.0f ? 128.0f : m.shininess);
    checkGlError();
    const GLint* at = inputs.materialLocations;
    uploadColor(at[uDiffuseColor], m.diffuse);
    uploadColor(at[uAmbientColor], m.ambient);
    uploadColor(at[uSpecularColor], m.specular);
    uploadNumber(at[uShininess], m.shininess);
    uploadNumber(at[uOpacity], m.opacity);
    uploadNumber(at[uMetallic], m.metallic);
    float roughness;
    Vector3 reflectance;
    physicalInputsOf(m, roughness, reflectance);
    uploadNumber(at[uRoughness], roughness);
    uploadColor(at[uReflectance], reflectance);
    uploadColor(at[uEmissiveColor], m.emissive);
    uploadNumber(at[uAlphaCutoff], m.alphaMode == AlphaMode::mask ? m.alphaCutoff : 0.0f);
    checkGlError();
    for (int kind = 0; kind < materialMapKinds; ++kind) {
        GLint location = at[uDiffuseMap + kind];
        if (location < 0)
            continue;
        int map = gpu.mapOf[size_t(material) * materialMapKinds + size_t(kind)];
        GLuint fallback = kind == normalMapKind && gpu.flatNormal.object ? gpu.flatNormal.object : gpu.white.object;
        glActiveTexture(GL_TEXTURE0 + unit + GLuint(kind));
        glBindTexture(GL_TEXTURE_2D, map >= 0 ? gpu.maps[size_t(map)].object : fallback);
        glActiveTexture(GL_TEXTURE0);
        glUniform1iARB(location, GLint(unit) + kind);
        checkGlError();
    }
}

void endMaterials(const ProgramInputs& inputs, GLuint unit)
{
    const Vector3 ambient = {0.2f, 0.2f, 0.2f}, diffuse = {0.8f, 0.8f, 0.8f}, specular = {0.0f, 0.0f, 0.0f};
    setMaterialColor(GL_AMBIENT, ambient, 1.0f);
    setMaterialColor(GL_DIFFUSE, diffuse, 1.0f);
    setMaterialColor(GL_SPECULAR, specular, 1.0f);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int kind = 1; kind < materialMapKinds; ++kind)
        if (inputs.materialLocations[uDiffuseMap + kind] >= 0) {
            glActiveTexture(GL_TEXTURE0 + unit + GLuint(kind));
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    glActiveTexture(GL_TEXTURE0);
    checkGlError();
}

void clearMaterialUniforms(const ProgramInputs& inputs)
{
    uploadNumber(inputs.materialLocations[uOpacity], 0.0f);
    checkGlError();
}
