#pragma once
// Welding every corner of a reading at once, without streaming: the weld the stored and the
// streamed readings are compared with.

#include "core/mesh/weld.h"

#include <utility>

inline void weldAllCorners(const ObjRecords& records, WeldedMesh& out)
{
    Welder welder;
    startWelding(welder, 0);
    weldCorners(welder, records, records.corners.data(), records.corners.size());
    out = std::move(welder.mesh);
}
