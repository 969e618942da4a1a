#include "core/mesh/groupSums.h"

size_t PositionInGroupHash::operator()(const PositionInGroup& key) const
{
    uint64_t h = key.group * 0x9E3779B97F4A7C15ull + key.position;
    h ^= h >> 31;
    h *= 0x7FB5D329728EA185ull;
    return size_t(h ^ (h >> 29));
}

void startGroupSums(GroupSums& sums, size_t positions)
{
    sums.head.assign(positions, noRecord);
    sums.sums.clear();
    sums.sums.reserve(positions);  // mostly one group a position
    sums.unchained.clear();
}

uint32_t addGroupSum(GroupSums& sums, uint32_t position, uint64_t group, uint32_t* link, int chained)
{
    uint32_t added = uint32_t(sums.sums.size());
    if (chained < maxChainedSums) {
        *link = added;  // before the push, which may move the chain's storage
    } else {
        auto found = sums.unchained.emplace(PositionInGroup{position, group}, added);
        if (!found.second)
            return found.first->second;
    }
    sums.sums.push_back(GroupSum{0.0, 0.0, 0.0, 0.0, group, noRecord});
    return added;
}
