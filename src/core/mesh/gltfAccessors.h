#pragma once
// Reading glTF accessors: typed elements, strided, normalized or sparse, out of the bytes of their
// buffer views, every element checked to lie inside the bytes its buffer holds before anything is
// allocated for it.

#include "core/mesh/gltfDocument.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// An accessor reading: the document, where problems go, and what was said of each accessor.
struct GltfReading {
    const GltfDocument& document;
    ProblemList& problems;
    std::vector<uint8_t> accessorState;  // per accessor: told unreadable, non-finite numbers counted
};

// Starts a reading of the document's accessors.
GltfReading startGltfReading(const GltfDocument& document, ProblemList& problems);

// The count and components of accessor `accessor` when its elements can all be read: the
// index names one, its types are known, its elements and its sparse part lie inside the bytes its
// buffer views' buffers hold, and an accessor without a buffer view counts no more elements than
// the model's bytes would hold. Otherwise false, reported once per accessor (gltfAccessorsPastData,
// gltfBadAccessors, or gltfBadReferences, from `referrer`, a mesh's number).
bool gltfAccessorShape(GltfReading& reading, int accessor, size_t referrer, size_t& count, int& components);

// Reads the first `components` components of each element of the accessor (whose shape was
// found) as floats into out[i * stride + c]: integers normalized as glTF says when the accessor
// is normalized or `normalize` is set, else converted; the sparse elements in place of the
// others. Non-finite numbers read as 0, counted once per accessor (gltfNonFiniteNumbers).
void readGltfFloats(GltfReading& reading, int accessor, int components, bool normalize, float* out, size_t stride);

// A scalar accessor's indices: read where they lie, or copied for an accessor with a sparse part
// or without a buffer view.
struct GltfIndices {
    const unsigned char* data = nullptr;  // the first index where it lies; nullptr: copied
    size_t stride = 0, count = 0;
    int size = 0;                         // bytes an index where they lie: 1, 2 or 4
    std::vector<uint32_t> copied;

    uint32_t operator[](size_t i) const
    {
        if (!data)
            return copied[i];
        const unsigned char* p = data + i * stride;
        uint32_t value = p[0];
        for (int b = 1; b < size; ++b)
            value |= uint32_t(p[b]) << (8 * b);
        return value;
    }
};

// Finds the indices of a scalar accessor of unsigned bytes, shorts or ints (whose shape was
// found) for `out` (replaced); false, reported once, for another type.
bool readGltfIndices(GltfReading& reading, int accessor, GltfIndices& out);
