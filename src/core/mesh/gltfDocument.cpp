// tinygltf's code is compiled here, and only here (its writer wants <fstream> even without files).
#include <fstream>
#define TINYGLTF_IMPLEMENTATION
#include "core/mesh/gltfDocument.h"

#include "core/files/paths.h"
#include "core/platform/platform.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>

using Json = nlohmann::json;

namespace {

constexpr uint32_t glbJsonChunk = 0x4E4F534Au;  // "JSON"
constexpr uint32_t glbBinChunk = 0x004E4942u;   // "BIN\0"

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The JSON text and binary chunk of a GLB file, each cut to the bytes the file holds.
struct GlbChunks {
    const char* json = nullptr;
    size_t jsonSize = 0;
    const unsigned char* bin = nullptr;
    size_t binSize = 0;
    bool hasBin = false;
};

// Splits a GLB file into its chunks; false, with `problem` saying why, when its header is not
// that of a GLB of version 2 with its JSON chunk first. A file cut short keeps what it holds.
bool splitGlb(const unsigned char* data, size_t size, GlbChunks& out, std::string& problem)
{
    if (size < 20) {
        problem = "it is too short for a GLB header";
        return false;
    }
    uint32_t version = littleEndian32(data + 4);
    if (version != 2) {
        problem = "it is a GLB of version " + std::to_string(version) + ", and only version 2 is read";
        return false;
    }
    size_t end = littleEndian32(data + 8) < size ? littleEndian32(data + 8) : size;
    size_t jsonLength = littleEndian32(data + 12);
    if (littleEndian32(data + 16) != glbJsonChunk || end < 20) {
        problem = "its first chunk is not JSON";
        return false;
    }
    out.json = reinterpret_cast<const char*>(data + 20);
    out.jsonSize = jsonLength < end - 20 ? jsonLength : end - 20;
    if (jsonLength > end - 20 || end - 20 - jsonLength < 8)
        return true;
    size_t next = 20 + jsonLength;
    if (littleEndian32(data + next + 4) != glbBinChunk)
        return true;
    size_t binLength = littleEndian32(data + next);
    out.bin = data + next + 8;
    out.binSize = binLength < end - next - 8 ? binLength : end - next - 8;
    out.hasBin = true;
    return true;
}

// True when arrays and objects in the JSON text nest deeper than `limit`, strings aside.
bool nestsDeeper(const char* text, size_t size, size_t limit)
{
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < size; ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

// The member `key` of a JSON object as a non-negative integer; false when absent or not one.
bool unsignedMember(const Json& object, const char* key, uint64_t& out)
{
    if (!object.is_object())
        return false;
    auto found = object.find(key);
    if (found == object.end())
        return false;
    if (found->is_number_unsigned()) {
        out = found->get<uint64_t>();
        return true;
    }
    if (found->is_number_integer() && found->get<int64_t>() >= 0) {
        out = uint64_t(found->get<int64_t>());
        return true;
    }
    return false;
}

std::string stringMember(const Json& object, const char* key)
{
    if (!object.is_object())
        return std::string();
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

bool startsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, strlen(prefix), prefix) == 0;
}

// Decodes a data: URI's payload (base64, or percent-escaped text); false when it does not decode.
bool decodeDataUri(const std::string& uri, std::vector<unsigned char>& out)
{
    size_t comma = uri.find(',');
    if (comma == std::string::npos)
        return false;
    if (comma >= 7 && uri.compare(comma - 7, 7, ";base64") == 0)
        return decodeBase64(uri.data() + comma + 1, uri.size() - comma - 1, out);
    std::string text = decodeUri(uri.substr(comma + 1));
    out.assign(text.begin(), text.end());
    return true;
}

// What reading the buffers and images needs.
struct DocumentReading {
    const std::string& path;
    bool openFiles;
    GlbChunks glb;
    std::vector<ModelFile>& files;
    ProblemList& problems;
};

// Views a file the model names, stamped in `files` before it is read (once however often named).
bool viewNamedFile(DocumentReading& reading, GltfBuffer& buffer)
{
    bool stamped = false;
    for (const ModelFile& file : reading.files)
        stamped = stamped || file.path == buffer.file;
    if (!stamped)
        reading.files.push_back(ModelFile{buffer.file, fileStamp(buffer.file.c_str())});
    if (!reading.openFiles || viewFile(buffer.file.c_str(), buffer.view) != FileStatus::ok) {
        buffer.view = FileView{nullptr, 0, false, 0};
        return false;
    }
    buffer.data = reinterpret_cast<const unsigned char*>(buffer.view.data);
    buffer.size = buffer.view.size;
    return true;
}

// Buffer `index`, from its source; its bytes cut to its declared length.
void readBuffer(DocumentReading& reading, const Json& json, size_t index, GltfBuffer& buffer)
{
    std::string uri = stringMember(json, "uri");
    bool read = false;
    std::string name = "number " + std::to_string(index);
    if (uri.empty()) {
        // a GLB's binary chunk is its first buffer, the one without a uri
        read = index == 0 && reading.glb.hasBin;
        buffer.data = reading.glb.bin;
        buffer.size = reading.glb.binSize;
    } else if (startsWith(uri, "data:")) {
        read = decodeDataUri(uri, buffer.decoded);
        buffer.data = buffer.decoded.data();
        buffer.size = buffer.decoded.size();
    } else {
        buffer.file = pathBeside(reading.path, decodeUri(uri));
        name = buffer.file;
        read = viewNamedFile(reading, buffer);
    }
    if (!read) {
        buffer.data = nullptr;
        buffer.size = 0;
        noticeListed(reading.problems, ProblemKind::gltfMissingBuffers, name, std::string());
        return;
    }
    uint64_t declared = buffer.size;
    unsignedMember(json, "byteLength", declared);
    if (declared > buffer.size)
        noticeProblem(reading.problems, ProblemKind::gltfShortBuffers, std::string(), std::string(), index);
    else
        buffer.size = size_t(declared);
}

void readImage(DocumentReading& reading, const Json& json, size_t index, GltfImage& image)
{
    std::string uri = stringMember(json, "uri");
    image.name = "image " + std::to_string(index) + " of " + reading.path;
    uint64_t bufferView = 0;
    if (unsignedMember(json, "bufferView", bufferView) && bufferView < uint64_t(INT_MAX)) {
        image.bufferView = int(bufferView);
    } else if (startsWith(uri, "data:")) {
        decodeDataUri(uri, image.decoded);  // an image that does not decode is told as it is shown
    } else if (!uri.empty()) {
        image.file = pathBeside(reading.path, decodeUri(uri));
        image.name = image.file;
    }
}

// Takes the buffers and images out of the JSON into `out`: tinygltf would copy or decode them.
void takeBuffersAndImages(DocumentReading& reading, Json& root, GltfDocument& out)
{
    auto buffers = root.find("buffers");
    if (buffers != root.end() && buffers->is_array()) {
        out.buffers.resize(buffers->size());
        for (size_t i = 0; i < buffers->size(); ++i)
            readBuffer(reading, (*buffers)[i], i, out.buffers[i]);
    }
    auto images = root.find("images");
    if (images != root.end() && images->is_array()) {
        out.images.resize(images->size());
        for (size_t i = 0; i < images->size(); ++i)
            readImage(reading, (*images)[i], i, out.images[i]);
    }
    root.erase("buffers");
    root.erase("images");
}

// Why the JSON is not a glTF 2.0 document, or "" when it is one.
std::string notGltf2(const Json& root)
{
    if (!root.is_object())
        return "it is not a JSON object";
    auto asset = root.find("asset");
    std::string version = asset == root.end() ? std::string() : stringMember(*asset, "version");
    if (version.empty())
        return "it has no asset version";
    if (!startsWith(version, "2."))
        return "it is glTF version " + version + ", and only version 2 is read";
    return std::string();
}

// A library's message, from its first line, without nlohmann's "[json.exception...] " prefix.
std::string firstLine(const std::string& text)
{
    size_t start = text.compare(0, 16, "[json.exception.") == 0 ? text.find("] ") : std::string::npos;
    start = start == std::string::npos ? 0 : start + 2;
    size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Extensions a document may require that change nothing read here.
bool readsWithout(const std::string& extension)
{
    return extension == "KHR_mesh_quantization" || extension == "KHR_texture_transform" ||
           startsWith(extension, "KHR_materials_");
}

bool unreadable(ProblemList& problems, const std::string& why)
{
    noticeProblem(problems, ProblemKind::gltfUnreadable, why, std::string(), 0);
    return false;
}

} // namespace

bool decodeBase64(const char* text, size_t size, std::vector<unsigned char>& out)
{
    out.clear();
    while (size > 0 && text[size - 1] == '=')
        --size;
    if (size % 4 == 1)
        return false;
    out.reserve(size / 4 * 3 + 2);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int value = c >= 'A' && c <= 'Z'   ? c - 'A'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52
                    : c == '+' || c == '-' ? 62
                    : c == '/' || c == '_' ? 63
                                           : -1;
        if (value < 0)
            return false;
        bits = (bits << 6 | uint32_t(value)) & 0xFFFFFFu;
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<unsigned char>(bits >> held));
        }
    }
    return true;
}

std::string decodeUri(const std::string& uri)
{
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            out += char(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}

bool readGltfDocument(const unsigned char* data, size_t size, const std::string& path, bool openFiles,
                      GltfDocument& out, std::vector<ModelFile>& files, ProblemList& problems)
{
    DocumentReading reading = {path, openFiles, GlbChunks(), files, problems};
    const char* text = reinterpret_cast<const char*>(data);
    size_t textSize = size;
    if (size >= 4 && memcmp(data, "glTF", 4) == 0) {
        std::string problem;
        if (!splitGlb(data, size, reading.glb, problem))
            return unreadable(problems, problem);
        text = reading.glb.json;
        textSize = reading.glb.jsonSize;
    }
    if (nestsDeeper(text, textSize, gltfMaxNesting))
        return unreadable(problems, "its JSON nests deeper than " + std::to_string(gltfMaxNesting) + " levels");
    try {
        Json root = Json::parse(text, text + textSize);
        std::string why = notGltf2(root);
        if (!why.empty())
            return unreadable(problems, why);
        takeBuffersAndImages(reading, root, out);
        std::string rest = root.dump(-1, ' ', false, Json::error_handler_t::replace);
        if (rest.size() > UINT_MAX)
            return unreadable(problems, "its JSON is larger than 4 GB");
        tinygltf::TinyGLTF loader;
        std::string error, warning;
        if (!loader.LoadASCIIFromString(&out.model, &error, &warning, rest.data(), unsigned(rest.size()), "",
                                        tinygltf::NO_REQUIRE))
            return unreadable(problems, firstLine(error.empty() ? "it does not read" : error));
    } catch (const std::exception& e) {
        return unreadable(problems, firstLine(e.what()));
    }
    out.dataBytes = size;
    for (const GltfBuffer& buffer : out.buffers)
        out.dataBytes += buffer.size;
    for (const std::string& extension : out.model.extensionsRequired)
        if (!readsWithout(extension))
            noticeProblem(problems, ProblemKind::gltfRequiredExtensions, extension, std::string(), 0);
    return true;
}

void passGltfBuffers(GltfDocument& document)
{
    for (GltfBuffer& buffer : document.buffers)
        if (buffer.view.data)
            passFileView(buffer.view, buffer.view.size);
}

void closeGltfDocument(GltfDocument& document, ProblemList& problems)
{
    for (GltfBuffer& buffer : document.buffers) {
        if (!buffer.view.data)
            continue;
        if (!closeFileView(buffer.view))
            noticeProblem(problems, ProblemKind::fileShrank, std::string(), buffer.file, 0);
        buffer.view = FileView{nullptr, 0, false, 0};
        buffer.data = nullptr;
        buffer.size = 0;
    }
}

bool gltfBufferViewBytes(const GltfDocument& document, int bufferView, const unsigned char*& data, size_t& size)
{
    const tinygltf::Model& model = document.model;
    if (bufferView < 0 || size_t(bufferView) >= model.bufferViews.size())
        return false;
    const tinygltf::BufferView& view = model.bufferViews[size_t(bufferView)];
    if (view.buffer < 0 || size_t(view.buffer) >= document.buffers.size())
        return false;
    const GltfBuffer& buffer = document.buffers[size_t(view.buffer)];
    if (view.byteOffset > buffer.size || view.byteLength > buffer.size - view.byteOffset)
        return false;
    data = buffer.data + view.byteOffset;
    size = view.byteLength;
    return true;
}
