#pragma once
// The fragment shader of the physically based look (--look pbr), compiled into the program; its
// vertex shader is the shipped one (builtinVertexShader), whose varyings it reads. Zero-terminated.
// The text as it is reads every material input; the program drawn is built from the variant of
// the model's materials (lookFragmentText), which reads only what the model has.

#include "render/materialsGpu.h"

#include <string>

extern const char lookFragmentShader[];

// What the look's program reads of a model's materials.
struct LookVariant {
    bool materials = false;                 // the material uniforms (a model with materials or colours)
    bool maps[materialMapKinds] = {};       // a map of each kind (MaterialMapKind), some material having one
};

// The variant for the materials drawn: the uniforms when they are active, and each kind of map
// that at least one material has (one whose image read); the others get the white map (the flat
// normal) when drawn, which the variant reads as the constant it is.
void lookVariantOf(const MaterialsGpu& materials, LookVariant& out);

// True when both read the same.
bool sameLookVariant(const LookVariant& a, const LookVariant& b);

// The look's fragment shader for `variant`: lookFragmentShader with, after its #version line, the
// defines that select what it reads (LOOK_VARIANT, then LOOK_MATERIALS, LOOK_DIFFUSE_MAP...).
void lookFragmentText(const LookVariant& variant, std::string& out);
