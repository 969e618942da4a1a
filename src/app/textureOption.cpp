#include "app/textureOption.h"

#include "core/shader/standardInputs.h"

#include <cstring>

namespace {

bool isIdentifier(const std::string& name)
{
    if (name.empty() || name.size() > 200 || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return name.compare(0, 3, "gl_") != 0;
}

} // namespace

const char* readTextureOption(const char* text, std::vector<TextureOption>& textures)
{
    const char* equals = strchr(text, '=');
    if (!equals || equals[1] == '\0')
        return "spinview: --texture takes NAME=FILE, not '%s'\n";
    std::string name(text, equals);
    if (!isIdentifier(name))
        return "spinview: --texture needs a GLSL name for the sampler before '=' (not gl_...): '%s'\n";
    if (findStandardUniform(name.c_str()) >= 0 || findStandardAttribute(name.c_str()) >= 0 ||
        findMaterialUniform(name.c_str()) >= 0)
        return "spinview: --texture cannot name one of the viewer's own inputs: '%s'\n";
    for (const TextureOption& texture : textures)
        if (texture.name == name)
            return "spinview: --texture names a sampler twice: '%s'\n";
    if (textures.size() >= mostTextures)
        return "spinview: --texture is taken 8 times at most, not also '%s'\n";
    textures.push_back(TextureOption{name, equals + 1});
    return nullptr;
}
