#pragma once
// What a linked program takes from the viewer by name: the u_ uniforms, the a_ attributes, the
// samplers of the textures named on the command line. Looked up once after each link.

#include "core/shader/standardInputs.h"
#include "render/meshGpu.h"

#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

// A texture the program samples: the texture's index among the viewer's, which is also its
// texture unit, and the locations of its sampler and of its "NAMEResolution" (-1 when undeclared).
struct SamplerInput {
    uint32_t texture;
    GLint location;
    GLint resolutionLocation;
};

// A sampler of one of the frame's targets, and its NAMEResolution (-1 when undeclared).
struct TargetSampler {
    TargetKind kind;
    uint8_t index;
    GLint location;
    GLint resolutionLocation;
};

struct ProgramInputs {
    uint32_t uniformsUsed;  // bit u: standard uniform u is declared, with its type
    GLint uniformLocations[standardUniformCount];
    uint32_t attributesUsed;  // bit a: standard attribute a is declared, and bound to namedAttributeLocations[a]
    std::vector<SamplerInput> samplers;
    GLint materialLocations[materialUniformCount] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                                     -1, -1, -1, -1, -1, -1, -1};  // -1: not declared with its type
    std::vector<TargetSampler> targets;  // u_bufferN, u_doubleBufferN, u_scene, u_sceneDepth
    GLint cubeMapLocation = -1;          // samplerCube u_cubeMap
    GLint shLocation = -1;               // vec3 u_SH[9]
    GLint shCount = 0;                   // its elements the program uses
    GLint prefilteredLocation = -1;      // samplerCube u_prefilteredMap
    GLint brdfTableLocation = -1;        // sampler2D u_brdfTable
};

static_assert(materialUniformCount == 15, "every material location starts at -1");

// Where the a_ attributes are bound: away from 0 (gl_Vertex) and from the locations some drivers
// share with gl_Normal, gl_Color and the texture coordinates.
constexpr GLuint namedAttributeLocations[standardAttributeCount] = {1, 6, 7, 5};

// For a program that linked: looks at its active attributes and, when it declares any a_
// attribute with its type, binds each to its location and links the program again (checked).
// Reports once each a_ name declared with another type. `inputs` gets the attributes bound.
// Returns false only when the second link failed (the caller reports it); no call beyond the
// look-up for a program without a_ names.
bool bindNamedAttributes(GLhandleARB program, ProgramInputs& inputs);

// For a program that linked: looks at its active uniforms for the u_ names, the sampler2D of
// each texture name in `textureNames` (index = texture unit) and its vec2 NAMEResolution, the
// targets' samplers and resolutions, u_cubeMap and u_SH, and keeps their locations in `inputs`.
// Reports once each name declared with another type (not again when `told` holds it already;
// the name is added to it).
void findUniformInputs(GLhandleARB program, const std::vector<const char*>& textureNames, ProgramInputs& inputs,
                       std::vector<std::string>* told = nullptr);

// Logs one line naming the inputs the program uses, when it uses any: "The program uses ...", or
// for a named pass "The program of [BUFFER_0] uses ...".
void logProgramInputs(const ProgramInputs& inputs, const std::vector<const char*>& textureNames,
                      const std::string& pass = "");

// Uploads each u_ uniform the program uses (checked after each). Needs the program in use.
void uploadStandardUniforms(const ProgramInputs& inputs, const StandardValues& values);

// The generic attribute locations the mesh's arrays feed for this program.
MeshAttributeLocations meshAttributeLocations(const ProgramInputs& inputs);
