#pragma once
// Reading a model file of any format the viewer knows into a Mesh: the one place that picks the
// reader, from one table of them.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// How many of a file's first bytes a signature is looked for in.
constexpr size_t signatureBytes = 84;

// One reader of the table: the format's name, the extensions that name it, how its content is
// told apart (nullptr: by its name only), and the reading itself.
struct ModelReader {
    const char* name;
    // lower case, with the dot, each followed by a space: ".gltf .glb "
    const char* extensions;
    // for a reader of many formats: true for an extension (lower case, with the dot) it reads
    bool (*takesExtension)(const char* extension);
    // True when the file's first bytes (`count` of them, fewer only for a shorter file) and its
    // size say it is of this format.
    bool (*hasSignature)(const unsigned char* first, size_t count, uint64_t fileSize);
    // Reads the file into `out` (replaced), its problems into `problems` (appended to), stopping
    // with cancelled when `cancel` is set; cannotOpen or outOfMemory when the file cannot be read.
    // It looks at `cancel` in every loop that can run for long, and starts any thread it uses with
    // startReadingThread, so that running out of memory there names the file.
    FileStatus (*read)(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel);
};

// The readers, in the order a signature is looked for; the last one reads the files no other
// reader is named or told apart for (OBJ).
const ModelReader* modelReaders(size_t& count);

// The reader of the file at `path`: the one whose signature its first bytes have, else the one
// its extension names (case-insensitively), else OBJ. `named`, when given, gets the reader the
// extension names, or nullptr when it names none.
const ModelReader* pickModelReader(const char* path, const unsigned char* first, size_t count, uint64_t fileSize,
                                   const ModelReader** named = nullptr);

// The formats read, for --version: a line naming each reader of the table with its extensions,
// and the general importer the build has ("Assimp 5.2.5"), or that it has none.
std::string describeModelFormats();

// Reads the model file at `path` with the reader pickModelReader gives, into `out` (replaced); its
// problems are appended to `problems`, and a file whose content is of another format than its
// name says is read by its content, which is told once (readByContent). cannotOpen when the file
// cannot be opened (also a FIFO, a device or a directory), outOfMemory, or cancelled when `cancel`
// was set while it was read, `out` then empty. While it reads, the file is the one being read
// (fileBeingRead) on this thread and on every thread the reader starts (startReadingThread).
FileStatus readModelFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel = nullptr);
