#include "core/shader/standardInputs.h"

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
    {"u_roughness", GlslType::floatType, GlslType::other, "its roughness (glTF; 1 for OBJ)"},
    {"u_emissiveColor", GlslType::vec3, GlslType::other, "its emissive color (glTF)"},
    {"u_alphaCutoff", GlslType::floatType, GlslType::other, "its alpha cutoff (glTF mask; else 0)"},
    {"u_diffuseMap", GlslType::sampler2D, GlslType::other, "its map_Kd or base color texture (white without)"},
    {"u_normalMap", GlslType::sampler2D, GlslType::other, "its normal texture (flat without)"},
    {"u_metallicRoughnessMap", GlslType::sampler2D, GlslType::other, "its metallic-roughness texture (white)"},
    {"u_occlusionMap", GlslType::sampler2D, GlslType::other, "its occlusion texture (white without)"},
    {"u_emissiveMap", GlslType::sampler2D, GlslType::other, "its emissive texture (white without)"},
};

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
    std::string type = glslTypeName(input.type);
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
}
