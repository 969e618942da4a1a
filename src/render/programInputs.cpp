#include "render/programInputs.h"

#include "core/diag/log.h"
#include "render/glCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// An active uniform or attribute as the driver lists it.
struct Active {
    char name[256];
    GLint size;  // array length, 1 for a single value
    GLenum type;
};

GlslType glslTypeOf(GLenum type)
{
    switch (type) {
    case GL_FLOAT: return GlslType::floatType;
    case GL_INT: return GlslType::intType;
    case GL_FLOAT_VEC2: return GlslType::vec2;
    case GL_FLOAT_VEC3: return GlslType::vec3;
    case GL_FLOAT_VEC4: return GlslType::vec4;
    case GL_FLOAT_MAT3: return GlslType::mat3;
    case GL_FLOAT_MAT4: return GlslType::mat4;
    case GL_SAMPLER_2D: return GlslType::sampler2D;
    case GL_SAMPLER_CUBE: return GlslType::samplerCube;
    default: return GlslType::other;
    }
}

// The GLSL spelling of a type the driver names, for the report of a wrong one.
std::string declaredType(const Active& active)
{
    static const struct {
        GLenum type;
        const char* name;
    } names[] = {{GL_FLOAT, "float"},        {GL_FLOAT_VEC2, "vec2"},      {GL_FLOAT_VEC3, "vec3"},
                 {GL_FLOAT_VEC4, "vec4"},    {GL_INT, "int"},              {GL_INT_VEC2, "ivec2"},
                 {GL_INT_VEC3, "ivec3"},     {GL_INT_VEC4, "ivec4"},       {GL_BOOL, "bool"},
                 {GL_BOOL_VEC2, "bvec2"},    {GL_BOOL_VEC3, "bvec3"},      {GL_BOOL_VEC4, "bvec4"},
                 {GL_FLOAT_MAT2, "mat2"},    {GL_FLOAT_MAT3, "mat3"},      {GL_FLOAT_MAT4, "mat4"},
                 {GL_SAMPLER_1D, "sampler1D"}, {GL_SAMPLER_2D, "sampler2D"}, {GL_SAMPLER_3D, "sampler3D"},
                 {GL_SAMPLER_CUBE, "samplerCube"}};
    char unknown[32];
    snprintf(unknown, sizeof(unknown), "type 0x%X", unsigned(active.type));
    std::string name = unknown;
    for (const auto& known : names)
        if (known.type == active.type)
            name = known.name;
    return active.size > 1 ? "an array of " + name : name;
}

// An array's entry is listed as "name[0]": the name without it.
void dropArrayIndex(Active& active)
{
    size_t length = strlen(active.name);
    if (length > 3 && strcmp(active.name + length - 3, "[0]") == 0)
        active.name[length - 3] = '\0';
}

bool readActiveAttribute(GLhandleARB program, GLint index, Active& active)
{
    GLsizei length = 0;
    active.name[0] = '\0';
    glGetActiveAttribARB(program, GLuint(index), sizeof(active.name), &length, &active.size, &active.type, active.name);
    dropArrayIndex(active);
    return length > 0 && size_t(length) + 1 < sizeof(active.name);  // a longer name is none of ours
}

bool readActiveUniform(GLhandleARB program, GLint index, Active& active)
{
    GLsizei length = 0;
    active.name[0] = '\0';
    glGetActiveUniformARB(program, GLuint(index), sizeof(active.name), &length, &active.size, &active.type,
                          active.name);
    dropArrayIndex(active);
    return length > 0 && size_t(length) + 1 < sizeof(active.name);
}

// Names already reported as declared with another type, for the passes of one shader.
std::vector<std::string>* toldAlready;

// True when the declaration has the type wanted; otherwise reports it, once per link (and once
// for all the passes of a shader).
bool declaredAs(const Active& active, GlslType type, GlslType alsoType)
{
    GlslType declared = glslTypeOf(active.type);
    if (active.size == 1 && declared != GlslType::other && (declared == type || declared == alsoType))
        return true;
    if (toldAlready) {
        for (const std::string& name : *toldAlready)
            if (name == active.name)
                return false;
        toldAlready->push_back(active.name);
    }
    std::string wanted = glslTypeName(type);
    if (alsoType != GlslType::other)
        wanted = wanted + " or " + glslTypeName(alsoType);
    logMessage("%s is declared %s, not %s: the viewer leaves it alone", active.name, declaredType(active).c_str(),
               wanted.c_str());
    return false;
}

// The texture whose sampler (`resolution` false) or "NAMEResolution" is this name, or -1.
int textureNamed(const char* name, const std::vector<const char*>& textureNames, bool resolution)
{
    for (size_t i = 0; i < textureNames.size(); ++i) {
        size_t length = strlen(textureNames[i]);
        if (strncmp(name, textureNames[i], length) == 0 &&
            strcmp(name + length, resolution ? "Resolution" : "") == 0)
            return int(i);
    }
    return -1;
}

SamplerInput& samplerOf(ProgramInputs& inputs, uint32_t texture)
{
    for (SamplerInput& sampler : inputs.samplers)
        if (sampler.texture == texture)
            return sampler;
    inputs.samplers.push_back(SamplerInput{texture, -1, -1});
    return inputs.samplers.back();
}

void uploadMatrix4(GLint location, const Matrix4& m)
{
    glUniformMatrix4fvARB(location, 1, GL_FALSE, m.data());
}

} // namespace

bool bindNamedAttributes(GLhandleARB program, ProgramInputs& inputs)
{
    inputs.attributesUsed = 0;
    GLint count = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_ACTIVE_ATTRIBUTES_ARB, &count);
    for (GLint i = 0; i < count; ++i) {
        Active active;
        int found = readActiveAttribute(program, i, active) ? findStandardAttribute(active.name) : -1;
        if (found < 0)
            continue;
        const StandardInput& input = standardAttributes[found];
        if (declaredAs(active, input.type, input.alsoType))
            inputs.attributesUsed |= 1u << found;
    }
    if (!inputs.attributesUsed)
        return true;
    for (int a = 0; a < standardAttributeCount; ++a)
        if (inputs.attributesUsed & (1u << a)) {
            glBindAttribLocationARB(program, namedAttributeLocations[a], standardAttributes[a].name);
            checkGlError();
        }
    glLinkProgramARB(program);
    checkGlError();
    GLint linked = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    checkGlError();
    return linked != 0;
}

namespace {

TargetSampler& targetSamplerOf(ProgramInputs& inputs, TargetKind kind, uint8_t index)
{
    for (TargetSampler& sampler : inputs.targets)
        if (sampler.kind == kind && sampler.index == index)
            return sampler;
    inputs.targets.push_back(TargetSampler{kind, index, -1, -1});
    return inputs.targets.back();
}

// The name of a target's sampler, or with `resolution` its NAMEResolution.
std::string targetSamplerName(const TargetSampler& sampler, bool resolution)
{
    std::string name;
    switch (sampler.kind) {
    case TargetKind::buffer: name = "u_buffer" + std::to_string(sampler.index); break;
    case TargetKind::doubleBuffer: name = "u_doubleBuffer" + std::to_string(sampler.index); break;
    case TargetKind::scene: name = "u_scene"; break;
    case TargetKind::sceneDepth: name = "u_sceneDepth"; break;
    }
    return resolution ? name + "Resolution" : name;
}

// A target's sampler or resolution, u_cubeMap or u_SH: kept in `inputs` when declared with its
// type. False for any other name.
bool findFrameInput(GLhandleARB program, const Active& active, ProgramInputs& inputs)
{
    TargetName target;
    if (readTargetName(active.name, target)) {
        if (declaredAs(active, target.resolution ? GlslType::vec2 : GlslType::sampler2D, GlslType::other)) {
            TargetSampler& sampler = targetSamplerOf(inputs, target.kind, target.index);
            (target.resolution ? sampler.resolutionLocation : sampler.location) =
                glGetUniformLocationARB(program, active.name);
        }
        return true;
    }
    if (strcmp(active.name, cubeMapName) == 0) {
        if (declaredAs(active, GlslType::samplerCube, GlslType::other))
            inputs.cubeMapLocation = glGetUniformLocationARB(program, active.name);
        return true;
    }
    if (strcmp(active.name, sphericalHarmonicsName) == 0) {
        // an array: the driver lists the elements up to the last one used
        Active element = active;
        element.size = 1;
        if (active.size <= sphericalHarmonicsCount && declaredAs(element, GlslType::vec3, GlslType::other)) {
            inputs.shLocation = glGetUniformLocationARB(program, active.name);
            inputs.shCount = active.size;
        } else if (active.size > sphericalHarmonicsCount) {
            logMessage("%s is declared with %d elements, not %d: the viewer leaves it alone", active.name, active.size,
                       sphericalHarmonicsCount);
        }
        return true;
    }
    return false;
}

} // namespace

void findUniformInputs(GLhandleARB program, const std::vector<const char*>& textureNames, ProgramInputs& inputs,
                       std::vector<std::string>* told)
{
    toldAlready = told;
    inputs.uniformsUsed = 0;
    inputs.samplers.clear();
    inputs.targets.clear();
    inputs.cubeMapLocation = inputs.shLocation = -1;
    inputs.shCount = 0;
    for (GLint& location : inputs.materialLocations)
        location = -1;
    GLint count = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_ACTIVE_UNIFORMS_ARB, &count);
    for (GLint i = 0; i < count; ++i) {
        Active active;
        if (!readActiveUniform(program, i, active) || findFrameInput(program, active, inputs))
            continue;
        int standard = findStandardUniform(active.name);
        int sampled = textureNamed(active.name, textureNames, false);
        int sized = textureNamed(active.name, textureNames, true);
        int material = findMaterialUniform(active.name);
        if (material >= 0) {
            const StandardInput& input = materialUniforms[material];
            if (declaredAs(active, input.type, input.alsoType))
                inputs.materialLocations[material] = glGetUniformLocationARB(program, active.name);
        } else if (standard >= 0) {
            const StandardInput& input = standardUniforms[standard];
            if (!declaredAs(active, input.type, input.alsoType))
                continue;
            inputs.uniformsUsed |= 1u << standard;
            inputs.uniformLocations[standard] = glGetUniformLocationARB(program, active.name);
        } else if (sampled >= 0) {
            if (declaredAs(active, GlslType::sampler2D, GlslType::other))
                samplerOf(inputs, uint32_t(sampled)).location = glGetUniformLocationARB(program, active.name);
        } else if (sized >= 0) {
            if (declaredAs(active, GlslType::vec2, GlslType::other))
                samplerOf(inputs, uint32_t(sized)).resolutionLocation = glGetUniformLocationARB(program, active.name);
        }
    }
    std::sort(inputs.samplers.begin(), inputs.samplers.end(),
              [](const SamplerInput& a, const SamplerInput& b) { return a.texture < b.texture; });
    std::sort(inputs.targets.begin(), inputs.targets.end(), [](const TargetSampler& a, const TargetSampler& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.index < b.index;
    });
    toldAlready = nullptr;
}

void logProgramInputs(const ProgramInputs& inputs, const std::vector<const char*>& textureNames,
                      const std::string& pass)
{
    std::string names;
    auto add = [&names](const std::string& name) { names += (names.empty() ? "" : ", ") + name; };
    for (int u = 0; u < standardUniformCount; ++u)
        if (inputs.uniformsUsed & (1u << u))
            add(standardUniforms[u].name);
    for (int a = 0; a < standardAttributeCount; ++a)
        if (inputs.attributesUsed & (1u << a))
            add(standardAttributes[a].name);
    for (const SamplerInput& sampler : inputs.samplers) {
        if (sampler.location >= 0)
            add(textureNames[sampler.texture]);
        if (sampler.resolutionLocation >= 0)
            add(textureNames[sampler.texture] + std::string("Resolution"));
    }
    for (const TargetSampler& sampler : inputs.targets) {
        if (sampler.location >= 0)
            add(targetSamplerName(sampler, false));
        if (sampler.resolutionLocation >= 0)
            add(targetSamplerName(sampler, true));
    }
    if (inputs.cubeMapLocation >= 0)
        add(cubeMapName);
    if (inputs.shLocation >= 0)
        add(sphericalHarmonicsName);
    if (names.empty())
        return;
    if (pass.empty())
        logMessage("The program uses %s", names.c_str());
    else
        logMessage("The program of [%s] uses %s", pass.c_str(), names.c_str());
}

void uploadStandardUniforms(const ProgramInputs& inputs, const StandardValues& values)
{
    if (!inputs.uniformsUsed)
        return;
    for (int u = 0; u < standardUniformCount; ++u) {
        if (!(inputs.uniformsUsed & (1u << u)))
            continue;
        GLint at = inputs.uniformLocations[u];
        switch (StandardUniform(u)) {
        case uTime: glUniform1fARB(at, values.time); break;
        case uDelta: glUniform1fARB(at, values.delta); break;
        case uFrame: glUniform1iARB(at, values.frame); break;
        case uResolution: glUniform2fARB(at, values.resolution[0], values.resolution[1]); break;
        case uMouse: glUniform2fARB(at, values.mouse[0], values.mouse[1]); break;
        case uModelMatrix: uploadMatrix4(at, values.model); break;
        case uViewMatrix: uploadMatrix4(at, values.view); break;
        case uProjectionMatrix: uploadMatrix4(at, values.projection); break;
        case uModelViewProjectionMatrix: uploadMatrix4(at, values.modelViewProjection); break;
        case uNormalMatrix: glUniformMatrix3fvARB(at, 1, GL_FALSE, values.normal.m); break;
        case uCamera: glUniform3fARB(at, values.camera.x, values.camera.y, values.camera.z); break;
        case standardUniformCount: break;
        }
        checkGlError();
    }
}

MeshAttributeLocations meshAttributeLocations(const ProgramInputs& inputs)
{
    MeshAttributeLocations locations;
    int* slots[standardAttributeCount] = {&locations.position, &locations.normal, &locations.texCoord,
                                          &locations.color};
    for (int a = 0; a < standardAttributeCount; ++a)
        *slots[a] = inputs.attributesUsed & (1u << a) ? int(namedAttributeLocations[a]) : -1;
    return locations;
}
