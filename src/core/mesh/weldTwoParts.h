#pragma once
// Welding a long run of corners on two threads, with exactly weldCornersTo's result.
//
// The calling thread welds the first part of the corners as weldCornersTo does while another
// thread welds the rest as if nothing came before it (weldCornersNoted), then finds which of its
// vertices lie near those welded before it (by position marks). The calling thread then puts that
// second part after the first, corner by corner in order: a corner that made a vertex
// there stays a new vertex unless a vertex of the first part can match it (looked up in the first
// part's grid, when its position lies near one of theirs); a corner that repeats such a corner's
// records takes its vertex; a corner that matched by a search keeps its match, or the first part's
// vertex it matches. A corner whose match in its own part became a vertex of the first part, and
// that matches no vertex there, needs what neither part saw: from it on, the corners are welded on
// the calling thread as weldCornersTo welds them.

#include "core/mesh/weld.h"
#include "core/mesh/workLooks.h"

#include <cstddef>
#include <cstdint>

// How the corners are welded: from which corner on the second part runs (count or more: no second
// part), and whether on another thread (else after the first, on the calling thread, which the
// tests use to weld the parts as two threads would, without them).
struct TwoPartWeld {
    size_t secondFrom;
    bool alongside;
};

// Runs of at least this many corners are welded in two parts by default.
constexpr size_t twoPartWeldCorners = size_t(1) << 18;

// The parts of a run of `count` corners: its last 45% on another thread (which also finds which
// of its vertices lie near the first part's; the first part's thread puts the parts together), when it has at least `least` corners (and `least` is not
// 0), else no second part.
TwoPartWeld twoPartWeldFor(size_t count, size_t least = twoPartWeldCorners);

// Welds the corners after those welded before, as weldCornersTo does, writing the vertex of corner
// i to vertices[i]; a mesh with colours is welded on the calling thread alone. Looks at whether to
// go on between parts of the work (looks may be nullptr); false when told to stop. Leaves the
// welder's grid and corner cache empty: nothing is welded after.
bool weldCornersInTwoParts(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                           uint32_t* vertices, const TwoPartWeld& how, WorkLooks* looks);
