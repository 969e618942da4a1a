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
#include <unordered_map>
#include <vector>

struct GroupSum {
    double x, y, z;  // the area vectors added
    double weight;   // the sum of the absolute components of what was added
    uint64_t group;
    uint32_t next;   // the next sum chained at the same position record, or noRecord
};

struct PositionInGroup {
    uint32_t position;
    uint64_t group;
    bool operator==(const PositionInGroup& other) const
    {
        return position == other.position && group == other.group;
    }
};

struct PositionInGroupHash {
    size_t operator()(const PositionInGroup& key) const;
};

struct GroupSums {
    std::vector<uint32_t> head;  // per position record: its first chained sum, or noRecord
    std::vector<GroupSum> sums;  // in order of first use
    std::unordered_map<PositionInGroup, uint32_t, PositionInGroupHash> unchained;  // past the chains
};

constexpr int maxChainedSums = 8;

// Empties the sums, for `positions` position records.
void startGroupSums(GroupSums& sums, size_t positions);

// Adds the sum of (position, group), which is new, behind `link`, the end of the position's chain
// of `chained` sums, or in the hash table past a full chain. Returns its number, or that of the
// sum the table already holds.
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
