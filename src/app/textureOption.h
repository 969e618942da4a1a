#pragma once
// The --texture NAME=FILE option.

#include "app/commandLine.h"

#include <vector>

constexpr size_t mostTextures = 8;

// Reads "NAME=FILE" and adds it to `textures`. NAME must be a GLSL identifier that is not a
// built-in (gl_...), a u_ uniform or an a_ attribute of the viewer's, nor named before; FILE must
// not be empty; at most mostTextures are taken. Returns nullptr, or the reason it is refused: a
// format whose %s takes the text.
const char* readTextureOption(const char* text, std::vector<TextureOption>& textures);
