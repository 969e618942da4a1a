#include "render/textures.h"

#include "render/glCheck.h"

bool replaceTexture(TextureGpu& texture, int width, int height, const unsigned char* bottomUpRgba, int& largest)
{
    largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    checkGlError();
    if (width > largest || height > largest)
        return false;
    GLuint object = 0;
    glGenTextures(1, &object);
    checkGlError();
    glBindTexture(GL_TEXTURE_2D, object);
    checkGlError();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // the driver makes the mipmaps with each upload (OpenGL 1.4; glGenerateMipmap needs 3.0)
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    checkGlError();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // RGBA rows are whole words
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, bottomUpRgba);
    checkGlError();
    glBindTexture(GL_TEXTURE_2D, 0);
    checkGlError();
    deleteTexture(texture);
    texture = TextureGpu{object, width, height};
    return true;
}

void replaceWithBlack(TextureGpu& texture)
{
    const unsigned char black[4] = {0, 0, 0, 255};
    int largest;
    replaceTexture(texture, 1, 1, black, largest);
}

void replaceWithWhite(TextureGpu& texture)
{
    const unsigned char white[4] = {255, 255, 255, 255};
    int largest;
    replaceTexture(texture, 1, 1, white, largest);
}

void replaceWithFlatNormal(TextureGpu& texture)
{
    const unsigned char up[4] = {128, 128, 255, 255};
    int largest;
    replaceTexture(texture, 1, 1, up, largest);
}

void deleteTexture(TextureGpu& texture)
{
    if (texture.object) {
        glDeleteTextures(1, &texture.object);
        checkGlError();
    }
    texture = TextureGpu{0, 0, 0};
}

void bindSamplers(const ProgramInputs& inputs, const std::vector<TextureGpu>& textures)
{
    if (inputs.samplers.empty())
        return;
    for (const SamplerInput& sampler : inputs.samplers) {
        const TextureGpu& texture = textures[sampler.texture];
        if (sampler.location >= 0) {
            glActiveTexture(GL_TEXTURE0 + sampler.texture);
            glBindTexture(GL_TEXTURE_2D, texture.object);
            glUniform1iARB(sampler.location, GLint(sampler.texture));
            checkGlError();
        }
        if (sampler.resolutionLocation >= 0) {
            glUniform2fARB(sampler.resolutionLocation, float(texture.width), float(texture.height));
            checkGlError();
        }
    }
    glActiveTexture(GL_TEXTURE0);
    checkGlError();
}

void unbindSamplers(const ProgramInputs& inputs)
{
    if (inputs.samplers.empty())
        return;
    for (const SamplerInput& sampler : inputs.samplers)
        if (sampler.location >= 0) {
            glActiveTexture(GL_TEXTURE0 + sampler.texture);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    glActiveTexture(GL_TEXTURE0);
    checkGlError();
}

bool haveFloatTextures()
{
    return GLEW_VERSION_3_0 || GLEW_ARB_texture_float;
}

GLuint newClampedTexture(GLenum target, GLint minFilter, GLint magFilter)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(target, texture);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}
