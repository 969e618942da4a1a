#pragma once
// The images named by --texture: read, uploaded, and read again when they change.

#include "app/viewer.h"
#include "image/imageRead.h"

#include <string>

#include <vector>

// Why the image at `path` cannot be a texture ("cannot open file [cat.png]"...), from its status,
// the library's detail and the largest texture side.
std::string imageProblem(ImageStatus status, const char* path, const char* detail, int largest);

// The samplers' names, in the order of the textures (index = texture unit).
std::vector<const char*> textureNames(const ViewerOptions& options);

// Reads each texture's image and uploads it. One that cannot be read is reported with its name
// ("Texture u_tex0 reads black: cannot open file [cat.png]") and reads black.
void loadTextures(Viewer& viewer);

// Reads texture `index` again; when it reads, its image replaces the one shown and
// "Reloaded [file]" is printed; otherwise the problem is printed and the last image stays. True
// when the texture was replaced.
bool reloadTexture(Viewer& viewer, size_t index);
