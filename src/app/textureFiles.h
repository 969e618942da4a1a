#pragma once
// The images named by --texture: read, uploaded, and read again when they change.

#include "app/viewer.h"
#include "image/imageRead.h"

#include <string>

#include <vector>

// Why the image at `path` cannot be used: "cannot open file [cat.png]", "[cat.png] is neither a
// PNG nor a JPEG file" (`formats` names the formats read)...; `largest` is the largest side taken.
std::string imageProblem(ImageStatus status, const char* path, const char* detail, int largest,
                         const char* formats = "a PNG nor a JPEG file");

// Reads the image file and uploads it in place of the texture's image; false, with `problem`
// saying why ("cannot open file [cat.png]", "[cat.png] is neither a PNG nor a JPEG file"...),
// when it cannot be read or is larger than the largest texture, the texture then as it was.
bool uploadImageFile(const char* path, TextureGpu& texture, std::string& problem);

// Decodes the encoded image (PNG or JPEG bytes a model holds, called `name` in messages) and
// uploads it as uploadImageFile does.
bool uploadImageBytes(const std::vector<unsigned char>& bytes, const char* name, TextureGpu& texture,
                      std::string& problem);

// The samplers' names, in the order of the textures (index = texture unit).
std::vector<const char*> textureNames(const ViewerOptions& options);

// Reads each texture's image and uploads it. One that cannot be read is reported with its name
// ("Texture u_tex0 reads black: cannot open file [cat.png]") and reads black.
void loadTextures(Viewer& viewer);

// Reads texture `index` again; when it reads, its image replaces the one shown and
// "Reloaded [file]" is printed; otherwise the problem is printed and the last image stays. True
// when the texture was replaced.
bool reloadTexture(Viewer& viewer, size_t index);
