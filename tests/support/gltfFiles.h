#pragma once
// Writing small glTF files for the tests and the fuzz seeds: a binary buffer put together view by
// view, the JSON around it, as a .gltf with a data: URI or a .bin beside it, or as a GLB.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct GltfFile {
    std::string bin;                       // the one buffer
    std::vector<std::string> bufferViews;  // JSON objects
    std::vector<std::string> accessors;
    std::string rest;                      // more members of the document: ,"meshes":[...]...

    // Appends the bytes as a buffer view, 4-aligned, `stride` bytes between elements (0: packed).
    int view(const void* data, size_t size, size_t stride = 0)
    {
        while (bin.size() % 4)
            bin += '\0';
        std::string json = "{\"buffer\":0,\"byteOffset\":" + std::to_string(bin.size()) +
                           ",\"byteLength\":" + std::to_string(size);
        if (stride)
            json += ",\"byteStride\":" + std::to_string(stride);
        bufferViews.push_back(json + "}");
        bin.append(static_cast<const char*>(data), size);
        return int(bufferViews.size() - 1);
    }

    template <typename T>
    int view(const std::vector<T>& values, size_t stride = 0)
    {
        return view(values.data(), values.size() * sizeof(T), stride);
    }

    // An accessor; `more` adds members (",\"normalized\":true", a sparse part...).
    int accessor(int bufferView, int componentType, size_t count, const char* type, const std::string& more = "",
                 size_t byteOffset = 0)
    {
        std::string json = "{\"componentType\":" + std::to_string(componentType) + ",\"count\":" +
                           std::to_string(count) + ",\"type\":\"" + type + "\"";
        if (bufferView >= 0)
            json += ",\"bufferView\":" + std::to_string(bufferView) + ",\"byteOffset\":" + std::to_string(byteOffset);
        accessors.push_back(json + more + "}");
        return int(accessors.size() - 1);
    }

    // The document, its buffer at `uri` ("" for a GLB's binary chunk).
    std::string json(const std::string& uri) const
    {
        std::string text = "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" + std::to_string(bin.size());
        if (!uri.empty())
            text += ",\"uri\":\"" + uri + "\"";
        text += "}],\"bufferViews\":[" + joined(bufferViews) + "],\"accessors\":[" + joined(accessors) + "]" + rest + "}";
        return text;
    }

    // A .gltf whose buffer is a data: URI.
    std::string embedded() const { return json("data:application/octet-stream;base64," + base64(bin)); }

    // A GLB of the document and the buffer.
    std::string glb() const { return glbOf(json(""), bin); }

    static std::string joined(const std::vector<std::string>& items)
    {
        std::string text;
        for (const std::string& item : items)
            text += (text.empty() ? "" : ",") + item;
        return text;
    }

    static std::string base64(const std::string& bytes)
    {
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (size_t i = 0; i < bytes.size(); i += 3) {
            uint32_t n = uint32_t(uint8_t(bytes[i])) << 16;
            if (i + 1 < bytes.size())
                n |= uint32_t(uint8_t(bytes[i + 1])) << 8;
            if (i + 2 < bytes.size())
                n |= uint8_t(bytes[i + 2]);
            out += alphabet[n >> 18 & 63];
            out += alphabet[n >> 12 & 63];
            out += i + 1 < bytes.size() ? alphabet[n >> 6 & 63] : '=';
            out += i + 2 < bytes.size() ? alphabet[n & 63] : '=';
        }
        return out;
    }

    static void put32(std::string& out, uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            out += char(value >> (8 * i) & 0xFF);
    }

    static std::string glbOf(std::string json, std::string bin)
    {
        while (json.size() % 4)
            json += ' ';
        while (bin.size() % 4)
            bin += '\0';
        std::string out = "glTF";
        put32(out, 2);
        put32(out, uint32_t(12 + 8 + json.size() + (bin.empty() ? 0 : 8 + bin.size())));
        put32(out, uint32_t(json.size()));
        put32(out, 0x4E4F534Au);
        out += json;
        if (!bin.empty()) {
            put32(out, uint32_t(bin.size()));
            put32(out, 0x004E4942u);
            out += bin;
        }
        return out;
    }
};

// glTF's component types.
enum : int { gltfByte = 5120, gltfUnsignedByte = 5121, gltfShort = 5122, gltfUnsignedShort = 5123,
             gltfUnsignedInt = 5125, gltfFloat = 5126 };

// A unit cube, 24 vertices with outward normals and texture coordinates, 12 triangles wound
// counter-clockwise seen from outside: the accessors POSITION, NORMAL, TEXCOORD_0 (in that order
// from `first` on) and 16-bit indices (the fourth). Returns the first.
inline int addGltfCube(GltfFile& file)
{
    std::vector<float> positions, normals, texCoords;
    std::vector<uint16_t> indices;
    for (int axis = 0; axis < 3; ++axis)
        for (int sign = -1; sign <= 1; sign += 2) {
            int u = (axis + 1) % 3, v = (axis + 2) % 3;
            uint16_t base = uint16_t(positions.size() / 3);
            const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (const auto& corner : corners) {
                float p[3], n[3] = {0, 0, 0};
                p[axis] = float(sign) * 0.5f;
                p[u] = corner[0] * 0.5f * float(sign);
                p[v] = corner[1] * 0.5f;
                n[axis] = float(sign);
                positions.insert(positions.end(), p, p + 3);
                normals.insert(normals.end(), n, n + 3);
                texCoords.push_back(corner[0] * 0.5f + 0.5f);
                texCoords.push_back(corner[1] * 0.5f + 0.5f);
            }
            indices.insert(indices.end(), {base, uint16_t(base + 1), uint16_t(base + 2), base, uint16_t(base + 2),
                                           uint16_t(base + 3)});
        }
    int first = file.accessor(file.view(positions), gltfFloat, 24, "VEC3",
                              ",\"min\":[-0.5,-0.5,-0.5],\"max\":[0.5,0.5,0.5]");
    file.accessor(file.view(normals), gltfFloat, 24, "VEC3");
    file.accessor(file.view(texCoords), gltfFloat, 24, "VEC2");
    file.accessor(file.view(indices), gltfUnsignedShort, 36, "SCALAR");
    return first;
}
