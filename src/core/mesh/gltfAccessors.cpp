#include "core/mesh/gltfAccessors.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint8_t toldUnreadable = 1;
constexpr uint8_t numbersCounted = 2;

// Where an accessor's elements lie: `data` null for an accessor without a buffer view (zeros).
struct Layout {
    const unsigned char* data = nullptr;
    size_t stride = 0, count = 0;
    int componentType = 0, components = 0, componentSize = 0;
    bool normalized = false;
    const unsigned char* sparseIndices = nullptr;
    const unsigned char* sparseValues = nullptr;
    size_t sparseCount = 0;
    int sparseIndexSize = 0;
};

int componentBytes(int type)
{
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
    case TINYGLTF_COMPONENT_TYPE_INT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
    default: return 0;
    }
}

int typeComponents(int type)
{
    switch (type) {
    case TINYGLTF_TYPE_SCALAR: return 1;
    case TINYGLTF_TYPE_VEC2: return 2;
    case TINYGLTF_TYPE_VEC3: return 3;
    case TINYGLTF_TYPE_VEC4: return 4;
    case TINYGLTF_TYPE_MAT2: return 4;
    case TINYGLTF_TYPE_MAT3: return 9;
    case TINYGLTF_TYPE_MAT4: return 16;
    default: return 0;
    }
}

bool unsignedIndexType(int type)
{
    return type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

// True when `count` elements of `size` bytes, `stride` apart from `offset`, lie inside `bytes`.
bool fits(size_t bytes, size_t offset, size_t count, size_t size, size_t stride)
{
    if (count == 0)
        return offset <= bytes;
    if (offset > bytes || size > bytes - offset)
        return false;
    return count - 1 <= (bytes - offset - size) / stride;
}

bool told(GltfReading& reading, int accessor, ProblemKind kind)
{
    uint8_t& state = reading.accessorState[size_t(accessor)];
    if (!(state & toldUnreadable))
        noticeProblem(reading.problems, kind, std::string(), std::string(), uint64_t(accessor));
    state |= toldUnreadable;
    return false;
}

// The sparse part's indices and values, checked.
bool findSparse(const GltfReading& reading, const tinygltf::Accessor& accessor, size_t elementSize, Layout& out)
{
    const auto& sparse = accessor.sparse;
    int indexSize = componentBytes(sparse.indices.componentType);
    if (sparse.count < 0 || size_t(sparse.count) > accessor.count || sparse.indices.byteOffset < 0 ||
        sparse.values.byteOffset < 0 || !unsignedIndexType(sparse.indices.componentType))
        return false;
    const unsigned char *indices, *values;
    size_t indicesSize, valuesSize;
    if (!gltfBufferViewBytes(reading.document, sparse.indices.bufferView, indices, indicesSize) ||
        !gltfBufferViewBytes(reading.document, sparse.values.bufferView, values, valuesSize))
        return false;
    size_t count = size_t(sparse.count);
    if (!fits(indicesSize, size_t(sparse.indices.byteOffset), count, size_t(indexSize), size_t(indexSize)) ||
        !fits(valuesSize, size_t(sparse.values.byteOffset), count, elementSize, elementSize))
        return false;
    out.sparseIndices = indices + sparse.indices.byteOffset;
    out.sparseValues = values + sparse.values.byteOffset;
    out.sparseCount = count;
    out.sparseIndexSize = indexSize;
    return true;
}

// The layout of an accessor gltfAccessorShape accepted.
bool findLayout(GltfReading& reading, int index, Layout& out)
{
    const tinygltf::Accessor& accessor = reading.document.model.accessors[size_t(index)];
    out.componentType = accessor.componentType;
    out.componentSize = componentBytes(accessor.componentType);
    out.components = typeComponents(accessor.type);
    out.count = accessor.count;
    out.normalized = accessor.normalized;
    if (out.componentSize == 0 || out.components == 0)
        return told(reading, index, ProblemKind::gltfBadAccessors);
    size_t elementSize = size_t(out.componentSize) * size_t(out.components);
    if (accessor.bufferView < 0) {
        if (accessor.count > reading.document.dataBytes / elementSize)
            return told(reading, index, ProblemKind::gltfAccessorsPastData);
    } else {
        const unsigned char* bytes;
        size_t size;
        if (!gltfBufferViewBytes(reading.document, accessor.bufferView, bytes, size))
            return told(reading, index, ProblemKind::gltfAccessorsPastData);
        size_t stride = reading.document.model.bufferViews[size_t(accessor.bufferView)].byteStride;
        out.stride = stride == 0 ? elementSize : stride;
        if (out.stride < elementSize)
            return told(reading, index, ProblemKind::gltfBadAccessors);
        if (!fits(size, accessor.byteOffset, accessor.count, elementSize, out.stride))
            return told(reading, index, ProblemKind::gltfAccessorsPastData);
        out.data = bytes + accessor.byteOffset;
    }
    if (accessor.sparse.isSparse && !findSparse(reading, accessor, elementSize, out))
        return told(reading, index, ProblemKind::gltfAccessorsPastData);
    return true;
}

template <typename T>
T load(const unsigned char* p)
{
    T value;
    memcpy(&value, p, sizeof(T));
    return value;
}

// A component as a float: normalized as glTF says (signed types clamped at -1), or converted.
float componentFloat(const unsigned char* p, int type, bool normalized)
{
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        float v = float(load<int8_t>(p));
        return !normalized ? v : v / 127.0f < -1.0f ? -1.0f : v / 127.0f;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? load<uint8_t>(p) / 255.0f : float(load<uint8_t>(p));
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        float v = float(load<int16_t>(p));
        return !normalized ? v : v / 32767.0f < -1.0f ? -1.0f : v / 32767.0f;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return normalized ? load<uint16_t>(p) / 65535.0f : float(load<uint16_t>(p));
    case TINYGLTF_COMPONENT_TYPE_INT: return float(load<int32_t>(p));
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        return normalized ? float(load<uint32_t>(p) / 4294967295.0) : float(load<uint32_t>(p));
    default: return load<float>(p);
    }
}

uint32_t componentIndex(const unsigned char* p, int size)
{
    return size == 1 ? load<uint8_t>(p) : size == 2 ? load<uint16_t>(p) : load<uint32_t>(p);
}

void readElementFloats(const unsigned char* element, const Layout& layout, int components, bool normalize, float* out)
{
    if (!element) {
        for (int c = 0; c < components; ++c)
            out[c] = 0.0f;
    } else if (layout.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
        memcpy(out, element, sizeof(float) * size_t(components));
    } else {
        for (int c = 0; c < components; ++c)
            out[c] = componentFloat(element + c * layout.componentSize, layout.componentType, normalize);
    }
}

// Copies the layout's elements of float components, `components` of each, to `out`, `stride`
// floats apart: what readElementFloats gives each, a component at a time.
void copyFloatElements(const Layout& layout, int components, float* out, size_t stride)
{
    for (size_t i = 0; i < layout.count; ++i) {
        const unsigned char* element = layout.data + i * layout.stride;
        float* to = out + i * stride;
        for (int c = 0; c < components; ++c)
            memcpy(to + c, element + sizeof(float) * size_t(c), sizeof(float));
    }
}

} // namespace

GltfReading startGltfReading(const GltfDocument& document, ProblemList& problems)
{
    return GltfReading{document, problems, std::vector<uint8_t>(document.model.accessors.size(), 0)};
}

bool gltfAccessorShape(GltfReading& reading, int accessor, size_t referrer, size_t& count, int& components)
{
    if (accessor < 0 || size_t(accessor) >= reading.document.model.accessors.size()) {
        noticeProblem(reading.problems, ProblemKind::gltfBadReferences, "from a mesh to a missing accessor",
                      std::string(), referrer);
        return false;
    }
    Layout layout;
    if (!findLayout(reading, accessor, layout))
        return false;
    count = layout.count;
    components = layout.components;
    return true;
}

void readGltfFloats(GltfReading& reading, int accessor, int components, bool normalize, float* out, size_t stride)
{
    Layout layout;
    if (!findLayout(reading, accessor, layout))
        return;
    normalize = normalize || layout.normalized;
    if (components > layout.components) {
        for (size_t i = 0; i < layout.count; ++i)
            for (int c = layout.components; c < components; ++c)
                out[i * stride + size_t(c)] = 0.0f;
        components = layout.components;
    }
    if (layout.data && layout.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT)
        copyFloatElements(layout, components, out, stride);
    else
        for (size_t i = 0; i < layout.count; ++i)
            readElementFloats(layout.data ? layout.data + i * layout.stride : nullptr, layout, components, normalize,
                              out + i * stride);
    size_t valueSize = size_t(layout.componentSize) * size_t(layout.components);
    for (size_t s = 0; s < layout.sparseCount; ++s) {
        size_t i = componentIndex(layout.sparseIndices + s * size_t(layout.sparseIndexSize), layout.sparseIndexSize);
        if (i < layout.count)
            readElementFloats(layout.sparseValues + s * valueSize, layout, components, normalize, out + i * stride);
    }
    uint32_t nonFinite = 0;
    for (size_t i = 0; i < layout.count; ++i)
        for (int c = 0; c < components; ++c)
            if (!std::isfinite(out[i * stride + size_t(c)])) {
                out[i * stride + size_t(c)] = 0.0f;
                ++nonFinite;
            }
    uint8_t& state = reading.accessorState[size_t(accessor)];
    if (!(state & numbersCounted) && nonFinite > 0)
        noticeSome(findProblem(reading.problems, ProblemKind::gltfNonFiniteNumbers, std::string(), std::string()).tally,
                   uint64_t(accessor), nonFinite);
    state |= numbersCounted;
}

bool readGltfIndices(GltfReading& reading, int accessor, GltfIndices& out)
{
    out = GltfIndices();
    Layout layout;
    if (!findLayout(reading, accessor, layout))
        return false;
    if (layout.components != 1 || !unsignedIndexType(layout.componentType))
        return told(reading, accessor, ProblemKind::gltfBadAccessors);
    int size = layout.componentSize;
    out.count = layout.count;
    if (layout.data && layout.sparseCount == 0) {
        out.data = layout.data;
        out.stride = layout.stride;
        out.size = size;
        return true;
    }
    out.copied.resize(layout.count);
    for (size_t i = 0; i < layout.count; ++i)
        out.copied[i] = layout.data ? componentIndex(layout.data + i * layout.stride, size) : 0;
    for (size_t s = 0; s < layout.sparseCount; ++s) {
        size_t i = componentIndex(layout.sparseIndices + s * size_t(layout.sparseIndexSize), layout.sparseIndexSize);
        if (i < layout.count)
            out.copied[i] = componentIndex(layout.sparseValues + s * size_t(size), size);
    }
    return true;
}
