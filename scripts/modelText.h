#pragma once
// A model as plain lists, written as the text of an OBJ, PLY or STL file: the same triangles in
// every format, for make_torus, the tests and the benchmarks. Floats are written so that they
// read back as the same floats (nine significant digits, or their bits in binary).

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

struct PlainModel {
    std::vector<float> positions;        // x y z a vertex
    std::vector<float> normals;          // nx ny nz a vertex, or none
    std::vector<float> texCoords;        // u v a vertex, or none
    std::vector<unsigned char> colors;   // red green blue a vertex, or none
    std::vector<uint32_t> faceSizes;     // the corners of each face
    std::vector<uint32_t> corners;       // vertex numbers from 0, face after face
};

enum class PlyEncoding { ascii, binaryLittle, binaryBig };

// How a PLY file is written: its encoding and the types of its properties.
struct PlyLayout {
    PlyEncoding encoding = PlyEncoding::ascii;
    const char* positionType = "float";  // also for normals and texture coordinates
    const char* countType = "uchar";     // a face's count of corners
    const char* indexType = "int";       // its vertex numbers
    const char* colorType = "uchar";     // an integer type: 0..255; a float type: 0..1
    const char* texCoordNames = "u v";   // or "s t", "texture_u texture_v"
    bool extras = false;  // properties and elements to pass over: a float and a list in each
                          // vertex and face, a comment, and an element of edges before the faces
};

namespace modelText {

inline void appendFloat(std::string& text, float value)
{
    char number[32];
    snprintf(number, sizeof(number), " %.9g", double(value));
    text += number;
}

inline bool isBig(const PlyLayout& layout)
{
    return layout.encoding == PlyEncoding::binaryBig;
}

// Appends `value` as PLY's `type`: in ASCII a number, in binary its bytes in the layout's order.
inline void appendScalar(std::string& text, const char* type, double value, const PlyLayout& layout)
{
    std::string t = type;
    bool isFloat = t == "float" || t == "float32" || t == "double" || t == "float64";
    if (layout.encoding == PlyEncoding::ascii) {
        char number[40];
        if (isFloat)  // nine digits give the float back, as the readers take it
            snprintf(number, sizeof(number), " %.9g", double(float(value)));
        else
            snprintf(number, sizeof(number), " %lld", (long long)value);
        text += number;
        return;
    }
    unsigned char bytes[8];
    size_t size = 0;
    uint64_t bits = 0;
    if (t == "float" || t == "float32") {
        float f = float(value);
        uint32_t word;
        memcpy(&word, &f, 4);
        bits = word;
        size = 4;
    } else if (t == "double" || t == "float64") {
        memcpy(&bits, &value, 8);
        size = 8;
    } else {
        bits = uint64_t(int64_t(value));
        size = t == "char" || t == "uchar" || t == "int8" || t == "uint8"      ? 1
               : t == "short" || t == "ushort" || t == "int16" || t == "uint16" ? 2
                                                                                : 4;
    }
    for (size_t i = 0; i < size; ++i)
        bytes[isBig(layout) ? size - 1 - i : i] = (unsigned char)(bits >> (8 * i));
    text.append(reinterpret_cast<const char*>(bytes), size);
}

inline float colorValue(unsigned char c)
{
    return float(double(c) / 255.0);
}

// The facet's unit normal, as exporters store it.
inline void facetNormal(const float* a, const float* b, const float* c, float* normal)
{
    double u[3], v[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = double(b[k]) - a[k];
        v[k] = double(c[k]) - a[k];
    }
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; ++k)
        normal[k] = length > 0.0 ? float(n[k] / length) : 0.0f;
}

} // namespace modelText

// The model as OBJ text: `v` (with its color), `vt`, `vn` records a vertex, `f` faces naming
// them; with `faceted`, after an `s off` line, as STL's flat facets read.
inline std::string objText(const PlainModel& model, bool faceted = false)
{
    using namespace modelText;
    std::string text = faceted ? "s off\n" : "";
    size_t vertices = model.positions.size() / 3;
    for (size_t v = 0; v < vertices; ++v) {
        text += "v";
        for (int k = 0; k < 3; ++k)
            appendFloat(text, model.positions[3 * v + k]);
        if (!model.colors.empty())
            for (int k = 0; k < 3; ++k)
                appendFloat(text, colorValue(model.colors[3 * v + k]));
        text += "\n";
        if (!model.texCoords.empty()) {
            text += "vt";
            appendFloat(text, model.texCoords[2 * v]);
            appendFloat(text, model.texCoords[2 * v + 1]);
            text += "\n";
        }
        if (!model.normals.empty()) {
            text += "vn";
            for (int k = 0; k < 3; ++k)
                appendFloat(text, model.normals[3 * v + k]);
            text += "\n";
        }
    }
    size_t corner = 0;
    char number[40];
    for (uint32_t faceSize : model.faceSizes) {
        text += "f";
        for (uint32_t k = 0; k < faceSize; ++k, ++corner) {
            uint32_t n = model.corners[corner] + 1;
            if (!model.texCoords.empty() && !model.normals.empty())
                snprintf(number, sizeof(number), " %u/%u/%u", n, n, n);
            else if (!model.texCoords.empty())
                snprintf(number, sizeof(number), " %u/%u", n, n);
            else if (!model.normals.empty())
                snprintf(number, sizeof(number), " %u//%u", n, n);
            else
                snprintf(number, sizeof(number), " %u", n);
            text += number;
        }
        text += "\n";
    }
    return text;
}

// The model as a PLY file laid out as `layout` says.
inline std::string plyText(const PlainModel& model, const PlyLayout& layout = PlyLayout())
{
    using namespace modelText;
    const char* formats[] = {"ascii", "binary_little_endian", "binary_big_endian"};
    size_t vertices = model.positions.size() / 3;
    std::string text = "ply\nformat ";
    text += formats[int(layout.encoding)];
    text += " 1.0\n";
    if (layout.extras)
        text += "comment written by modelText.h\n";
    text += "element vertex " + std::to_string(vertices) + "\n";
    std::string p = std::string("property ") + layout.positionType + " ";
    if (layout.extras)
        text += "property float confidence\n";
    text += p + "x\n" + p + "y\n" + p + "z\n";
    if (layout.extras)
        text += "property list uchar int neighbours\n";
    if (!model.normals.empty())
        text += p + "nx\n" + p + "ny\n" + p + "nz\n";
    if (!model.texCoords.empty()) {
        std::string names = layout.texCoordNames;
        size_t space = names.find(' ');
        text += p + names.substr(0, space) + "\n" + p + names.substr(space + 1) + "\n";
    }
    if (!model.colors.empty()) {
        std::string c = std::string("property ") + layout.colorType + " ";
        text += c + "red\n" + c + "green\n" + c + "blue\n" + c + "alpha\n";
    }
    if (layout.extras)
        text += "element edge 1\nproperty int vertex1\nproperty int vertex2\n";
    text += "element face " + std::to_string(model.faceSizes.size()) + "\n";
    if (layout.extras)
        text += "property list uchar float texcoord\nproperty uchar flags\n";
    text += std::string("property list ") + layout.countType + " " + layout.indexType + " vertex_indices\n";
    text += "end_header\n";

    std::string colorType = layout.colorType;
    bool floatColors = colorType == "float" || colorType == "double" || colorType == "float32" || colorType == "float64";
    bool ascii = layout.encoding == PlyEncoding::ascii;
    for (size_t v = 0; v < vertices; ++v) {
        if (layout.extras)
            appendScalar(text, "float", 0.5, layout);
        for (int k = 0; k < 3; ++k)
            appendScalar(text, layout.positionType, model.positions[3 * v + k], layout);
        if (layout.extras) {
            appendScalar(text, "uchar", 2, layout);
            appendScalar(text, "int", 7, layout);
            appendScalar(text, "int", 8, layout);
        }
        if (!model.normals.empty())
            for (int k = 0; k < 3; ++k)
                appendScalar(text, layout.positionType, model.normals[3 * v + k], layout);
        if (!model.texCoords.empty())
            for (int k = 0; k < 2; ++k)
                appendScalar(text, layout.positionType, model.texCoords[2 * v + k], layout);
        if (!model.colors.empty()) {
            for (int k = 0; k < 3; ++k) {
                unsigned char c = model.colors[3 * v + k];
                appendScalar(text, layout.colorType, floatColors ? double(colorValue(c)) : double(c), layout);
            }
            appendScalar(text, layout.colorType, floatColors ? 1.0 : 255.0, layout);
        }
        if (ascii)
            text += "\n";
    }
    if (layout.extras) {
        appendScalar(text, "int", 0, layout);
        appendScalar(text, "int", 1, layout);
        if (ascii)
            text += "\n";
    }
    size_t corner = 0;
    for (uint32_t faceSize : model.faceSizes) {
        if (layout.extras) {
            appendScalar(text, "uchar", 2, layout);
            appendScalar(text, "float", 0.25, layout);
            appendScalar(text, "float", 0.75, layout);
            appendScalar(text, "uchar", 1, layout);
        }
        appendScalar(text, layout.countType, faceSize, layout);
        for (uint32_t k = 0; k < faceSize; ++k)
            appendScalar(text, layout.indexType, model.corners[corner++], layout);
        if (ascii)
            text += "\n";
    }
    return text;
}

// The model's faces, fanned into triangles, as an STL file: binary (an 80-byte header starting with
// `solid`, as many writers make it, the count, then 50 bytes a facet) or ASCII (one solid), each
// facet with its unit normal.
inline std::string stlText(const PlainModel& model, bool binary)
{
    using namespace modelText;
    std::vector<uint32_t> triangles;
    size_t corner = 0;
    for (uint32_t faceSize : model.faceSizes) {
        for (uint32_t k = 2; k < faceSize; ++k) {
            triangles.push_back(model.corners[corner]);
            triangles.push_back(model.corners[corner + k - 1]);
            triangles.push_back(model.corners[corner + k]);
        }
        corner += faceSize;
    }
    std::string text;
    if (binary) {
        text = "solid written by modelText.h";
        text.resize(80, ' ');
        uint32_t count = uint32_t(triangles.size() / 3);
        for (int i = 0; i < 4; ++i)
            text += char((count >> (8 * i)) & 0xFF);
        PlyLayout little;
        little.encoding = PlyEncoding::binaryLittle;
        for (size_t t = 0; t < triangles.size(); t += 3) {
            float normal[3];
            facetNormal(&model.positions[3 * triangles[t]], &model.positions[3 * triangles[t + 1]],
                        &model.positions[3 * triangles[t + 2]], normal);
            for (int k = 0; k < 3; ++k)
                appendScalar(text, "float", normal[k], little);
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k)
                    appendScalar(text, "float", model.positions[3 * triangles[t + c] + k], little);
            text += std::string(2, '\0');
        }
        return text;
    }
    text = "solid torus\n";
    for (size_t t = 0; t < triangles.size(); t += 3) {
        float normal[3];
        facetNormal(&model.positions[3 * triangles[t]], &model.positions[3 * triangles[t + 1]],
                    &model.positions[3 * triangles[t + 2]], normal);
        text += "  facet normal";
        for (int k = 0; k < 3; ++k)
            appendFloat(text, normal[k]);
        text += "\n    outer loop\n";
        for (int c = 0; c < 3; ++c) {
            text += "      vertex";
            for (int k = 0; k < 3; ++k)
                appendFloat(text, model.positions[3 * triangles[t + c] + k]);
            text += "\n";
        }
        text += "    endloop\n  endfacet\n";
    }
    text += "endsolid torus\n";
    return text;
}
