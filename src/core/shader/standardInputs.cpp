#include "core/shader/standardInputs.h"

#include "core/shader/shaderDeclarations.h"

#include <cstdlib>
#include <cstring>

const StandardInput standardUniforms[standardUniformCount] = {
    {"u_time", GlslType::floatType, GlslType::other, "seconds on the spin's clock (--at, pauses)"},
    {"u_delta", GlslType::floatType, GlslType::other, "seconds on that clock since the previous frame"},
    {"u_frame", GlslType::intType, GlslType::other, "frames drawn before this one"},
    {"u_resolution", GlslType::vec2, GlslType::other, "the window's size in pixels"},
    {"u_mouse", GlslType::vec2, GlslType::other, "the pointer in pixels, origin at the bottom left"},
    {"u_modelMatrix", GlslType::mat4, GlslType::other, "the world matrix: the spin, with the fit"},
    {"u_viewMatrix", GlslType::mat4, GlslType::other, "the camera's view"},
    {"u_projectionMatrix", GlslType::mat4, GlslType::other, "the camera's projection"},
    {"u_modelViewProjectionMatrix", GlslType::mat4, GlslType::other, "projection * view * model"},
    {"u_normalMatrix", GlslType::mat3, GlslType::other, "inverse transpose of view * model's upper 3 x 3"},
    {"u_camera", GlslType::vec3, GlslType::other, "the eye's position in the world"},
    {"u_exposure", GlslType::floatType, GlslType::other, "2^EV of --exposure (1 by default)"},
    {"u_lightDirection", GlslType::vec3, GlslType::other, "toward the key light, in the world (unit)"},
};

const StandardInput standardAttributes[standardAttributeCount] = {
    {"a_position", GlslType::vec3, GlslType::vec4, "the mesh's positions"},
    {"a_normal", GlslType::vec3, GlslType::other, "the mesh's normals"},
    {"a_texcoord", GlslType::vec2, GlslType::other, "the mesh's texture coordinates"},
    {"a_color", GlslType::vec3, GlslType::vec4, "the mesh's vertex colours (white without)"},
};

const StandardInput materialUniforms[materialUniformCount] = {
    {"u_diffuseColor", GlslType::vec3, GlslType::other, "the material's Kd"},
    {"u_ambientColor", GlslType::vec3, GlslType::other, "its Ka"},
    {"u_specularColor", GlslType::vec3, GlslType::other, "its Ks"},
    {"u_shininess", GlslType::floatType, GlslType::other, "its Ns"},
    {"u_opacity", GlslType::floatType, GlslType::other, "its d (0 for a model without materials)"},
    {"u_metallic", GlslType::floatType, GlslType::other, "its metalness (glTF; 0 for OBJ)"},
    {"u_roughness", GlslType::floatType, GlslType::other, "its roughness (glTF; sqrt(2 / (Ns + 2)) for OBJ)"},
    {"u_emissiveColor", GlslType::vec3, GlslType::other, "its emissive color (glTF; Ke for OBJ)"},
    {"u_alphaCutoff", GlslType::floatType, GlslType::other, "its alpha cutoff (glTF mask; else 0)"},
    {"u_reflectance", GlslType::vec3, GlslType::other, "a dielectric's F0 (glTF 0.04; 0.08 Ks for OBJ)"},
    {"u_diffuseMap", GlslType::sampler2D, GlslType::other, "its map_Kd or base color texture (white without)"},
    {"u_normalMap", GlslType::sampler2D, GlslType::other, "its normal texture (flat without)"},
    {"u_metallicRoughnessMap", GlslType::sampler2D, GlslType::other, "its metallic-roughness texture (white)"},
    {"u_occlusionMap", GlslType::sampler2D, GlslType::other, "its occlusion texture (white without)"},
    {"u_emissiveMap", GlslType::sampler2D, GlslType::other, "its emissive texture (white without)"},
};

namespace {

// What --help tells of the passes: the samplers and the defines that make them.
const StandardInput passInputs[] = {
    {"u_bufferN", GlslType::sampler2D, GlslType::other, "BUFFER_N, N from 0 to 7, drawn first, in order"},
    {"u_doubleBufferN", GlslType::sampler2D, GlslType::other, "DOUBLE_BUFFER_N likewise, after the buffers"},
    {"u_bufferNResolution", GlslType::vec2, GlslType::other, "its size (u_doubleBufferNResolution too)"},
    {"BACKGROUND", GlslType::other, GlslType::other, "a block drawn behind the model, depth writes off"},
    {"POSTPROCESSING", GlslType::other, GlslType::other, "a block that draws the window from the scene:"},
    {"u_scene", GlslType::sampler2D, GlslType::other, "the scene's colour (background and model)"},
    {"u_sceneDepth", GlslType::sampler2D, GlslType::other, "its depth: 1 where nothing is drawn"},
    {"u_cubeMap", GlslType::samplerCube, GlslType::other, "--cubemap's image around the world"},
    {"u_SH", GlslType::vec3, GlslType::other, "[9]: its spherical harmonics, for diffuse light"},
    {"u_prefilteredMap", GlslType::samplerCube, GlslType::other, "the look's: u_cubeMap, a GGX mip per roughness"},
    {"u_brdfTable", GlslType::sampler2D, GlslType::other, "the look's split-sum table of (n.v, roughness)"},
};

} // namespace

const char* glslTypeName(GlslType type)
{
    switch (type) {
    case GlslType::floatType: return "float";
    case GlslType::intType: return "int";
    case GlslType::vec2: return "vec2";
    case GlslType::vec3: return "vec3";
    case GlslType::vec4: return "vec4";
    case GlslType::mat3: return "mat3";
    case GlslType::mat4: return "mat4";
    case GlslType::sampler2D: return "sampler2D";
    case GlslType::samplerCube: return "samplerCube";
    case GlslType::other: break;
    }
    return "another type";
}

namespace {

int findInput(const StandardInput* inputs, int count, const char* name)
{
    for (int i = 0; i < count; ++i)
        if (strcmp(inputs[i].name, name) == 0)
            return i;
    return -1;
}

} // namespace

int findStandardUniform(const char* name)
{
    return findInput(standardUniforms, standardUniformCount, name);
}

int findStandardAttribute(const char* name)
{
    return findInput(standardAttributes, standardAttributeCount, name);
}

int findMaterialUniform(const char* name)
{
    return findInput(materialUniforms, materialUniformCount, name);
}

namespace {

// N of prefix + N [+ "Resolution"], written without leading zeros, below mostBuffers; -1 otherwise.
int bufferNumber(const char* name, const char* prefix, bool& resolution)
{
    size_t length = strlen(prefix);
    if (strncmp(name, prefix, length) != 0)
        return -1;
    const char* digit = name + length;
    if (*digit < '0' || *digit > '9' || (*digit == '0' && digit[1] >= '0' && digit[1] <= '9'))
        return -1;
    char* end = nullptr;
    long number = strtol(digit, &end, 10);
    resolution = strcmp(end, "Resolution") == 0;
    if ((*end != '\0' && !resolution) || number >= mostBuffers)
        return -1;
    return int(number);
}

} // namespace

bool readTargetName(const char* name, TargetName& out)
{
    bool resolution = false;
    int n = bufferNumber(name, "u_buffer", resolution);
    if (n >= 0) {
        out = TargetName{TargetKind::buffer, uint8_t(n), resolution};
        return true;
    }
    n = bufferNumber(name, "u_doubleBuffer", resolution);
    if (n >= 0) {
        out = TargetName{TargetKind::doubleBuffer, uint8_t(n), resolution};
        return true;
    }
    if (strcmp(name, "u_scene") == 0 || strcmp(name, "u_sceneDepth") == 0) {
        out = TargetName{name[7] ? TargetKind::sceneDepth : TargetKind::scene, 0, false};
        return true;
    }
    return false;
}

void setStandardMatrices(const Matrix4& model, const Matrix4& view, const Matrix4& projection, StandardValues& out)
{
    out.model = model;
    out.view = view;
    out.projection = projection;
    Matrix4 modelView;
    multiply(view, modelView, model);
    multiply(projection, out.modelViewProjection, modelView);
    normalMatrix(modelView, out.normal);
}

namespace {

void describe(const StandardInput& input, std::string& out)
{
    std::string type = input.type == GlslType::other ? "#ifdef" : glslTypeName(input.type);
    if (input.alsoType != GlslType::other)
        type = type + " or " + glslTypeName(input.alsoType);
    out += "  ";
    out += input.name;
    out.append(strlen(input.name) < 28 ? 28 - strlen(input.name) : 1, ' ');
    out += type;
    out.append(type.size() < 13 ? 13 - type.size() : 1, ' ');
    out += input.meaning;
    out += '\n';
}

} // namespace

void describeStandardInputs(std::string& out)
{
    out = "Uniforms a program may declare, uploaded each frame when it does:\n";
    for (const StandardInput& input : standardUniforms)
        describe(input, out);
    out += "Attributes it may declare, fed from the mesh:\n";
    for (const StandardInput& input : standardAttributes)
        describe(input, out);
    out += "A sampler2D named by --texture NAME=FILE reads the image; a vec2 NAMEResolution its size.\n";
    out += "For a model with materials (or vertex colours), each material's, as its triangles are drawn:\n";
    for (const StandardInput& input : materialUniforms)
        describe(input, out);
    out += "Passes: the fragment shader compiled again with a define, each on a full-window quad:\n";
    for (const StandardInput& input : passInputs)
        describe(input, out);
    out += "Each pass takes the uniforms above, its own u_resolution and the samplers; a buffer reads itself\n"
           "and the buffers after it as the previous frame left them, those before it as just drawn.\n"
           "Varyings of the canvas and of a fragment shader given no vertex shader: v_position,\n"
           "v_texcoord (0 to 1 across the window), v_normal, v_color.\n";
}
