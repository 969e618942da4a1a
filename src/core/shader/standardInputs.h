#pragma once
// The inputs a shader written for the usual shader playgrounds expects by name: the u_ uniforms
// the viewer uploads each frame and the a_ attributes it feeds from the mesh, with their types.

#include "core/math/matrix.h"
#include "core/math/matrix3.h"
#include "core/math/vector.h"

#include <cstdint>
#include <string>

// The GLSL types the inputs are declared with; `other` stands for any type not named here.
enum class GlslType : uint8_t { floatType, intType, vec2, vec3, vec4, mat3, mat4, sampler2D, samplerCube, other };

enum StandardUniform {
    uTime,
    uDelta,
    uFrame,
    uResolution,
    uMouse,
    uModelMatrix,
    uViewMatrix,
    uProjectionMatrix,
    uModelViewProjectionMatrix,
    uNormalMatrix,
    uCamera,
    uExposure,
    uLightDirection,
    standardUniformCount
};

enum StandardAttribute { aPosition, aNormal, aTexcoord, aColor, standardAttributeCount };

// What a model's materials give a program that declares them, for each range of triangles drawn
// with one material; never uploaded for a model without materials or vertex colours.
// The maps come last, in the order of MaterialMapKind.
enum MaterialUniform { uDiffuseColor, uAmbientColor, uSpecularColor, uShininess, uOpacity, uMetallic, uRoughness,
                       uEmissiveColor, uAlphaCutoff, uReflectance, uDiffuseMap, uNormalMap, uMetallicRoughnessMap, uOcclusionMap,
                       uEmissiveMap, materialUniformCount };

// One named input: its name, the type it must be declared with (or the second one, for an
// attribute that takes either), and what it carries, as --help says it.
struct StandardInput {
    const char* name;
    GlslType type;
    GlslType alsoType;  // `other` when only `type` is taken
    const char* meaning;
};

extern const StandardInput standardUniforms[standardUniformCount];
extern const StandardInput standardAttributes[standardAttributeCount];
extern const StandardInput materialUniforms[materialUniformCount];

// The GLSL spelling of the type ("float", "mat4"...), "another type" for `other`.
const char* glslTypeName(GlslType type);


// The index of the uniform or attribute of that name, or -1.
int findStandardUniform(const char* name);
int findStandardAttribute(const char* name);
int findMaterialUniform(const char* name);

// The samplers of the frame's own targets: u_bufferN, u_doubleBufferN, u_scene, u_sceneDepth.
enum class TargetKind : uint8_t { buffer, doubleBuffer, scene, sceneDepth };

// A target's sampler, or its NAMEResolution.
struct TargetName {
    TargetKind kind;
    uint8_t index;    // N of u_bufferN and u_doubleBufferN, below mostBuffers
    bool resolution;  // the vec2 u_bufferNResolution, u_doubleBufferNResolution
};

// Reads a target's sampler or resolution name; false for any other name, and for a buffer N past
// the last drawn (see shaderDeclarations.h).
bool readTargetName(const char* name, TargetName& out);

// The environment's inputs: the samplerCube u_cubeMap and the vec3 u_SH[9].
constexpr const char* cubeMapName = "u_cubeMap";
constexpr const char* sphericalHarmonicsName = "u_SH";
constexpr int sphericalHarmonicsCount = 9;
// The physically based look's: the environment prefiltered for each roughness (samplerCube
// u_prefilteredMap, a mip level per roughness) and the split-sum table (sampler2D u_brdfTable);
// made only for the look.
constexpr const char* prefilteredMapName = "u_prefilteredMap";
constexpr const char* brdfTableName = "u_brdfTable";

// What the u_ uniforms carry in one frame.
struct StandardValues {
    float time;    // seconds on the spin's clock
    float delta;   // seconds on the spin's clock since the previous frame
    int32_t frame; // frames drawn before this one
    float resolution[2];
    float mouse[2];  // pixels, origin at the bottom left
    Matrix4 model, view, projection, modelViewProjection;
    Matrix3 normal;  // inverse transpose of the upper 3 x 3 of view * model
    Vector3 camera;  // the eye, in the world
    float exposure;  // 2^EV of --exposure
    Vector3 lightDirection;  // toward the key light, in the world, of unit length
};

// Fills the matrices of `out` from the model, view and projection matrices: the three as given,
// their product projection * view * model (each product rounded as multiply rounds it), and the
// normal matrix of view * model.
void setStandardMatrices(const Matrix4& model, const Matrix4& view, const Matrix4& projection, StandardValues& out);

// The text --help shows for the uniforms and the attributes: one a line, with its type and
// what it carries.
void describeStandardInputs(std::string& out);
