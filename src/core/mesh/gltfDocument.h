#pragma once
// A glTF 2.0 file's document: its JSON, read by tinygltf, and the bytes of its buffers and images,
// which the reader takes itself: the GLB's binary chunk and the .bin files are viewed where they
// lie (mapped), never copied, and every size is checked against the bytes there are.

// tinygltf reads no file and decodes no image of its own: the reader does both
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#include <tiny_gltf.h>

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"

#include <cstddef>
#include <string>
#include <vector>

// A buffer's bytes: the GLB's binary chunk, a data: URI decoded, or a .bin file viewed; at most
// the buffer's declared byteLength, fewer when its source holds fewer, none when it cannot be read.
struct GltfBuffer {
    const unsigned char* data = nullptr;
    size_t size = 0;
    std::vector<unsigned char> decoded;  // a data: URI's bytes, which `data` points into
    FileView view = {nullptr, 0, false, 0};  // a file's, which `data` points into
    std::string file;                    // that file's path
};

// An image a texture shows: a file beside the model, bytes in a buffer view, or a data: URI's.
struct GltfImage {
    std::string name;                    // for messages: the file, or "image N of [model]"
    std::string file;                    // the file, found from the model's folder; else empty
    int bufferView = -1;
    std::vector<unsigned char> decoded;  // a data: URI's bytes
};

struct GltfDocument {
    tinygltf::Model model;  // everything but the buffers and images, which are below
    std::vector<GltfBuffer> buffers;
    std::vector<GltfImage> images;
    size_t dataBytes = 0;   // the model's and its buffers' bytes: what an accessor without a buffer
                            // view, and the output, are measured against
};

// How deep arrays and objects may nest in a glTF file's JSON; no glTF needs more than some ten.
constexpr size_t gltfMaxNesting = 64;

// Reads the document of the glTF model at `path` from its `size` bytes (a GLB, told by its
// "glTF" signature, or else JSON text) into `out`, and the buffers and images it names: .bin
// files from the model's folder (with `openFiles`; else they are unreadable), each stamped in
// `files` before it is read. A buffer that cannot be read, or holds fewer bytes than declared, is
// reported and read as far as it goes. False, with the reason reported (gltfUnreadable), when
// the JSON is malformed, nests deeper than gltfMaxNesting, or is not a glTF document; tinygltf's
// exceptions are caught here. `data` must outlive `out`.
bool readGltfDocument(const unsigned char* data, size_t size, const std::string& path, bool openFiles,
                      GltfDocument& out, std::vector<ModelFile>& files, ProblemList& problems);

// Tells the document's viewed files that their bytes will not be read again.
void passGltfBuffers(GltfDocument& document);

// Closes the files the document viewed; a file cut short while it was viewed is reported
// (fileShrank, naming it).
void closeGltfDocument(GltfDocument& document, ProblemList& problems);

// The bytes a buffer view spans in its buffer; false when it names no buffer or reaches past the
// bytes its buffer holds.
bool gltfBufferViewBytes(const GltfDocument& document, int bufferView, const unsigned char*& data, size_t& size);

// Decodes base64 text (the payload of a data: URI) into `out`; false for a character outside the
// alphabet or a length that cannot be base64's.
bool decodeBase64(const char* text, size_t size, std::vector<unsigned char>& out);

// The URI with its %XX escapes decoded (a file name with spaces is written "a%20b.bin").
std::string decodeUri(const std::string& uri);
