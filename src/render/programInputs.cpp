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

// The GLSL types the driver names an active uniform or attribute by, all of those of OpenGL 4.6: the
// enumerant, the GLSL spelling, and the GlslType the viewer's inputs know it as (`other` for the rest).
const struct {
    GLenum type;
    const char* name;
    GlslType glsl;
} glslTypes[] = {
    {GL_FLOAT, "float", GlslType::floatType},
    {GL_FLOAT_VEC2, "vec2", GlslType::vec2},
    {GL_FLOAT_VEC3, "vec3", GlslType::vec3},
    {GL_FLOAT_VEC4, "vec4", GlslType::vec4},
    {GL_DOUBLE, "double", GlslType::other},
    {GL_DOUBLE_VEC2, "dvec2", GlslType::other},
    {GL_DOUBLE_VEC3, "dvec3", GlslType::other},
    {GL_DOUBLE_VEC4, "dvec4", GlslType::other},
    {GL_INT, "int", GlslType::intType},
    {GL_INT_VEC2, "ivec2", GlslType::other},
    {GL_INT_VEC3, "ivec3", GlslType::other},
    {GL_INT_VEC4, "ivec4", GlslType::other},
    {GL_UNSIGNED_INT, "uint", GlslType::other},
    {GL_UNSIGNED_INT_VEC2, "uvec2", GlslType::other},
    {GL_UNSIGNED_INT_VEC3, "uvec3", GlslType::other},
    {GL_UNSIGNED_INT_VEC4, "uvec4", GlslType::other},
    {GL_BOOL, "bool", GlslType::other},
    {GL_BOOL_VEC2, "bvec2", GlslType::other},
    {GL_BOOL_VEC3, "bvec3", GlslType::other},
    {GL_BOOL_VEC4, "bvec4", GlslType::other},
    {GL_FLOAT_MAT2, "mat2", GlslType::other},
    {GL_FLOAT_MAT3, "mat3", GlslType::mat3},
    {GL_FLOAT_MAT4, "mat4", GlslType::mat4},
    {GL_FLOAT_MAT2x3, "mat2x3", GlslType::other},
    {GL_FLOAT_MAT2x4, "mat2x4", GlslType::other},
    {GL_FLOAT_MAT3x2, "mat3x2", GlslType::other},
    {GL_FLOAT_MAT3x4, "mat3x4", GlslType::other},
    {GL_FLOAT_MAT4x2, "mat4x2", GlslType::other},
    {GL_FLOAT_MAT4x3, "mat4x3", GlslType::other},
    {GL_DOUBLE_MAT2, "dmat2", GlslType::other},
    {GL_DOUBLE_MAT3, "dmat3", GlslType::other},
    {GL_DOUBLE_MAT4, "dmat4", GlslType::other},
    {GL_DOUBLE_MAT2x3, "dmat2x3", GlslType::other},
    {GL_DOUBLE_MAT2x4, "dmat2x4", GlslType::other},
    {GL_DOUBLE_MAT3x2, "dmat3x2", GlslType::other},
    {GL_DOUBLE_MAT3x4, "dmat3x4", GlslType::other},
    {GL_DOUBLE_MAT4x2, "dmat4x2", GlslType::other},
    {GL_DOUBLE_MAT4x3, "dmat4x3", GlslType::other},
    {GL_SAMPLER_1D, "sampler1D", GlslType::other},
    {GL_SAMPLER_2D, "sampler2D", GlslType::sampler2D},
    {GL_SAMPLER_3D, "sampler3D", GlslType::other},
    {GL_SAMPLER_CUBE, "samplerCube", GlslType::samplerCube},
    {GL_SAMPLER_1D_SHADOW, "sampler1DShadow", GlslType::other},
    {GL_SAMPLER_2D_SHADOW, "sampler2DShadow", GlslType::other},
    {GL_SAMPLER_1D_ARRAY, "sampler1DArray", GlslType::other},
    {GL_SAMPLER_2D_ARRAY, "sampler2DArray", GlslType::other},
    {GL_SAMPLER_1D_ARRAY_SHADOW, "sampler1DArrayShadow", GlslType::other},
    {GL_SAMPLER_2D_ARRAY_SHADOW, "sampler2DArrayShadow", GlslType::other},
    {GL_SAMPLER_2D_MULTISAMPLE, "sampler2DMS", GlslType::other},
    {GL_SAMPLER_2D_MULTISAMPLE_ARRAY, "sampler2DMSArray", GlslType::other},
    {GL_SAMPLER_CUBE_SHADOW, "samplerCubeShadow", GlslType::other},
    {GL_SAMPLER_BUFFER, "samplerBuffer", GlslType::other},
    {GL_SAMPLER_2D_RECT, "sampler2DRect", GlslType::other},
    {GL_SAMPLER_2D_RECT_SHADOW, "sampler2DRectShadow", GlslType::other},
    {GL_SAMPLER_CUBE_MAP_ARRAY, "samplerCubeArray", GlslType::other},
    {GL_SAMPLER_CUBE_MAP_ARRAY_SHADOW, "samplerCubeArrayShadow", GlslType::other},
    {GL_INT_SAMPLER_1D, "isampler1D", GlslType::other},
    {GL_INT_SAMPLER_2D, "isampler2D", GlslType::other},
    {GL_INT_SAMPLER_3D, "isampler3D", GlslType::other},
    {GL_INT_SAMPLER_CUBE, "isamplerCube", GlslType::other},
    {GL_INT_SAMPLER_1D_ARRAY, "isampler1DArray", GlslType::other},
    {GL_INT_SAMPLER_2D_ARRAY, "isampler2DArray", GlslType::other},
    {GL_INT_SAMPLER_2D_MULTISAMPLE, "isampler2DMS", GlslType::other},
    {GL_INT_SAMPLER_2D_MULTISAMPLE_ARRAY, "isampler2DMSArray", GlslType::other},
    {GL_INT_SAMPLER_BUFFER, "isamplerBuffer", GlslType::other},
    {GL_INT_SAMPLER_2D_RECT, "isampler2DRect", GlslType::other},
    {GL_INT_SAMPLER_CUBE_MAP_ARRAY, "isamplerCubeArray", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_1D, "usampler1D", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_2D, "usampler2D", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_3D, "usampler3D", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_CUBE, "usamplerCube", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_1D_ARRAY, "usampler1DArray", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_2D_ARRAY, "usampler2DArray", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE, "usampler2DMS", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE_ARRAY, "usampler2DMSArray", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_BUFFER, "usamplerBuffer", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_2D_RECT, "usampler2DRect", GlslType::other},
    {GL_UNSIGNED_INT_SAMPLER_CUBE_MAP_ARRAY, "usamplerCubeArray", GlslType::other},
    {GL_IMAGE_1D, "image1D", GlslType::other},
    {GL_IMAGE_2D, "image2D", GlslType::other},
    {GL_IMAGE_3D, "image3D", GlslType::other},
    {GL_IMAGE_2D_RECT, "image2DRect", GlslType::other},
    {GL_IMAGE_CUBE, "imageCube", GlslType::other},
    {GL_IMAGE_BUFFER, "imageBuffer", GlslType::other},
    {GL_IMAGE_1D_ARRAY, "image1DArray", GlslType::other},
    {GL_IMAGE_2D_ARRAY, "image2DArray", GlslType::other},
    {GL_IMAGE_CUBE_MAP_ARRAY, "imageCubeArray", GlslType::other},
    {GL_IMAGE_2D_MULTISAMPLE, "image2DMS", GlslType::other},
    {GL_IMAGE_2D_MULTISAMPLE_ARRAY, "image2DMSArray", GlslType::other},
    {GL_INT_IMAGE_1D, "iimage1D", GlslType::other},
    {GL_INT_IMAGE_2D, "iimage2D", GlslType::other},
    {GL_INT_IMAGE_3D, "iimage3D", GlslType::other},
    {GL_INT_IMAGE_2D_RECT, "iimage2DRect", GlslType::other},
    {GL_INT_IMAGE_CUBE, "iimageCube", GlslType::other},
    {GL_INT_IMAGE_BUFFER, "iimageBuffer", GlslType::other},
    {GL_INT_IMAGE_1D_ARRAY, "iimage1DArray", GlslType::other},
    {GL_INT_IMAGE_2D_ARRAY, "iimage2DArray", GlslType::other},
    {GL_INT_IMAGE_CUBE_MAP_ARRAY, "iimageCubeArray", GlslType::other},
    {GL_INT_IMAGE_2D_MULTISAMPLE, "iimage2DMS", GlslType::other},
    {GL_INT_IMAGE_2D_MULTISAMPLE_ARRAY, "iimage2DMSArray", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_1D, "uimage1D", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_2D, "uimage2D", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_3D, "uimage3D", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_2D_RECT, "uimage2DRect", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_CUBE, "uimageCube", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_BUFFER, "uimageBuffer", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_1D_ARRAY, "uimage1DArray", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_2D_ARRAY, "uimage2DArray", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_CUBE_MAP_ARRAY, "uimageCubeArray", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_2D_MULTISAMPLE, "uimage2DMS", GlslType::other},
    {GL_UNSIGNED_INT_IMAGE_2D_MULTISAMPLE_ARRAY, "uimage2DMSArray", GlslType::other},
    {GL_UNSIGNED_INT_ATOMIC_COUNTER, "atomic_uint", GlslType::other},
};

GlslType glslTypeOf(GLenum type)
{
    for (const auto& known : glslTypes)
        if (known.type == type)
            return known.glsl;
    return GlslType::other;
}

// The GLSL spelling of a type the driver names, for the report of a wrong one; its number for a
// type newer than the table.
std::string declaredType(const Active& active)
{
    char unknown[32];
    snprintf(unknown, sizeof(unknown), "type 0x%X", unsigned(active.type));
    std::string name = unknown;
    for (const auto& known : glslTypes)
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
    if (strcmp(active.name, prefilteredMapName) == 0 || strcmp(active.name, brdfTableName) == 0) {
        bool cube = strcmp(active.name, prefilteredMapName) == 0;
        if (declaredAs(active, cube ? GlslType::samplerCube : GlslType::sampler2D, GlslType::other))
            (cube ? inputs.prefilteredLocation : inputs.brdfTableLocation) =
                glGetUniformLocationARB(program, active.name);
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
    inputs.prefilteredLocation = inputs.brdfTableLocation = -1;
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
    if (inputs.prefilteredLocation >= 0)
        add(prefilteredMapName);
    if (inputs.brdfTableLocation >= 0)
        add(brdfTableName);
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
        case uExposure: glUniform1fARB(at, values.exposure); break;
        case uLightDirection:
            glUniform3fARB(at, values.lightDirection.x, values.lightDirection.y, values.lightDirection.z);
            break;
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
