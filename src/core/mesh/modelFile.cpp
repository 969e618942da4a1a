#include "core/mesh/modelFile.h"

#include "core/files/readingThreads.h"
#include "core/mesh/gltfMesh.h"
#include "core/mesh/importer.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/plyReader.h"
#include "core/mesh/stlReader.h"
#include "core/platform/platform.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

FileStatus readObj(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    return readObjFile(path, out, problems, cancel);
}

// Every format read, a line each; OBJ, read when no other is told apart or named, last.
const ModelReader readers[] = {
    {"glTF", ".gltf .glb ", nullptr, hasGlbSignature, readGltfFile},
    {"PLY", ".ply ", nullptr, hasPlySignature, readPlyFile},
    {"STL", ".stl ", nullptr, hasBinaryStlSignature, readStlFile},
    {"general importer", "", importerTakesExtension, nullptr, readImportedFile},
    {"OBJ", ".obj ", nullptr, nullptr, readObj},
};

const ModelReader& objReader()
{
    return readers[sizeof(readers) / sizeof(readers[0]) - 1];
}

// The file name's extension from its last dot, lower case ("" without one).
std::string lowerExtension(const char* path)
{
    const char* dot = nullptr;
    for (const char* c = path; *c; ++c)
        if (*c == '.')
            dot = c;
        else if (*c == '/' || *c == '\\')
            dot = nullptr;
    std::string extension = dot ? dot : "";
    for (char& c : extension)
        c = char(tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool namesReader(const ModelReader& reader, const std::string& extension)
{
    if (extension.empty())
        return false;
    if (reader.takesExtension && reader.takesExtension(extension.c_str()))
        return true;
    return strstr(reader.extensions, (extension + ' ').c_str()) != nullptr;
}

// The file's first bytes (up to signatureBytes) and size; false when it cannot be opened.
bool readFirstBytes(const char* path, unsigned char* first, size_t& count, uint64_t& size)
{
    FILE* file = openRegularFile(path, size);
    if (!file)
        return false;
    count = fread(first, 1, signatureBytes, file);
    fclose(file);
    return true;
}

} // namespace

const ModelReader* modelReaders(size_t& count)
{
    count = sizeof(readers) / sizeof(readers[0]);
    return readers;
}

const ModelReader* pickModelReader(const char* path, const unsigned char* first, size_t count, uint64_t fileSize,
                                   const ModelReader** named)
{
    std::string extension = lowerExtension(path);
    const ModelReader* byName = nullptr;
    for (const ModelReader& reader : readers)
        if (!byName && namesReader(reader, extension))
            byName = &reader;
    if (named)
        *named = byName;
    // the format the name says first: a content that also fits it is read so
    if (byName && byName->hasSignature && byName->hasSignature(first, count, fileSize))
        return byName;
    for (const ModelReader& reader : readers)
        if (reader.hasSignature && reader.hasSignature(first, count, fileSize))
            return &reader;
    return byName ? byName : &objReader();
}

FileStatus readModelFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    out = Mesh();
    unsigned char first[signatureBytes];
    size_t count = 0;
    uint64_t size = 0;
    if (!readFirstBytes(path, first, count, size))
        return FileStatus::cannotOpen;
    const ModelReader* named = nullptr;
    const ModelReader* reader = pickModelReader(path, first, count, size, &named);
    if (named && named != reader)
        noticeProblem(problems, ProblemKind::readByContent, reader->name, std::string(), 0);
    const char* before = setFileBeingRead(path);  // the reader's threads name it too
    FileStatus status = reader->read(path, out, problems, cancel);
    setFileBeingRead(before);
    return status;
}

std::string describeModelFormats()
{
    std::string text = "Models read:";
    for (const ModelReader& reader : readers) {
        if (reader.takesExtension)
            continue;
        std::string extensions = reader.extensions;
        extensions.pop_back();
        text += std::string(" ") + reader.name + " (" + extensions + "),";
    }
    text.pop_back();
    std::string importer = importerName();
    if (importer.empty())
        return text + "; no general importer in this build: FBX, COLLADA, 3DS, X, LWO, OFF and the like are not read\n";
    return text + "; FBX, COLLADA, 3DS, X, LWO, OFF and the others " + importer + " reads\n";
}
