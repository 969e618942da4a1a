#include "core/mesh/groupSums.h"

namespace {

size_t hashOf(uint32_t position, uint64_t group)
{
    uint64_t h = group * 0x9E3779B97F4A7C15ull + position;
    h ^= h >> 31;
    h *= 0x7FB5D329728EA185ull;
    return size_t(h ^ (h >> 29));
}

// The slot of (position, group) in the table, or the empty slot where it would go.
size_t unchainedSlot(const GroupSums& sums, uint32_t position, uint64_t group)
{
    size_t mask = sums.unchained.size() - 1;
    size_t i = hashOf(position, group) & mask;
    for (; sums.unchained[i] != noRecord; i = (i + 1) & mask) {
        const GroupSum& s = sums.sums[sums.unchained[i]];
        if (s.position == position && s.group == group)
            break;
    }
    return i;
}

void growUnchained(GroupSums& sums)
{
    std::vector<uint32_t> old;
    old.swap(sums.unchained);
    sums.unchained.assign(old.empty() ? 64 : 2 * old.size(), noRecord);
    for (uint32_t n : old)
        if (n != noRecord)
            sums.unchained[unchainedSlot(sums, sums.sums[n].position, sums.sums[n].group)] = n;
}

} // namespace

void startGroupSums(GroupSums& sums, size_t positions)
{
    sums.head.assign(positions, noRecord);
    sums.sums.clear();
    sums.sums.reserve(positions);  // mostly one group a position
    sums.unchained.clear();
    sums.unchainedCount = 0;
}

uint32_t addGroupSum(GroupSums& sums, uint32_t position, uint64_t group, uint32_t* link, int chained)
{
    uint32_t added = uint32_t(sums.sums.size());
    if (chained < maxChainedSums) {
        *link = added;  // before the push, which may move the chain's storage
    } else {
        if (2 * (sums.unchainedCount + 1) > sums.unchained.size())
            growUnchained(sums);
        uint32_t& slot = sums.unchained[unchainedSlot(sums, position, group)];
        if (slot != noRecord)
            return slot;
        slot = added;
        ++sums.unchainedCount;
    }
    sums.sums.push_back(GroupSum{0.0, 0.0, 0.0, 0.0, group, noRecord, position});
    return added;
}
