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

// The number of the sum of (position, group) in sums.sums, added as zero when it is new; numbers
// go in order of first use. Walks at most maxChainedSums sums of the position's chain.
uint32_t groupSumOf(GroupSums& sums, uint32_t position, uint64_t group);
