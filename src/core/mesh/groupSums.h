#pragma once
// The running sums of the smoothing, one per (position record, smoothing group) it meets.
//
// Most position records are in one or two groups: their sums are chained per record, the
// cheapest lookup. A record in more groups than maxChainedSums (the hub of a fan whose triangles
// each have a group of their own) keeps the others in a hash table, so that no lookup walks more
// than that many sums, whatever the file.

#include "core/mesh/objRecords.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct GroupSum {
    double x, y, z;  // the area vectors added
    double weight;   // the sum of the absolute components of what was added
    uint64_t group;
    uint32_t next;      // the next sum chained at the same position record, or noRecord
    uint32_t position;
};

struct GroupSums {
    std::vector<uint32_t> head;  // per position record: its first chained sum, or noRecord
    std::vector<GroupSum> sums;  // in order of first use
    // The sums past full chains, by number: open addressing on (position, group), noRecord in an
    // empty slot, at most half full, its size a power of two.
    std::vector<uint32_t> unchained;
    size_t unchainedCount = 0;
};

constexpr int maxChainedSums = 8;

// Empties the sums, for `positions` position records.
void startGroupSums(GroupSums& sums, size_t positions);

// Adds the sum of (position, group), not in the chain that ends at `link` after `chained` sums:
// to the chain, or past a full one to the hash table, unless the table holds it. Returns its number.
uint32_t addGroupSum(GroupSums& sums, uint32_t position, uint64_t group, uint32_t* link, int chained);

// The number of the sum of (position, group) in sums.sums, added as zero when it is new; numbers
// go in order of first use. Walks at most maxChainedSums sums of the position's chain.
inline uint32_t groupSumOf(GroupSums& sums, uint32_t position, uint64_t group)
{
    uint32_t* link = &sums.head[position];
    int chained = 0;
    for (; *link != noRecord; link = &sums.sums[*link].next, ++chained)
        if (sums.sums[*link].group == group)
            return *link;
    return addGroupSum(sums, position, group, link, chained);
}
