#include "core/mesh/groupSums.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

TEST(GroupSums, ManyGroupsAtOnePositionKeepItsChainShort)
{
    // a fan's hub in 3,000 groups, each rim position in two: every (position, group) has a sum of
    // its own, numbered in order of first use and found again, and no chain grows past its limit
    GroupSums sums;
    startGroupSums(sums, 3001);
    std::map<std::pair<uint32_t, uint64_t>, uint32_t> numbers;
    for (int pass = 0; pass < 2; ++pass)
        for (uint32_t g = 1; g <= 3000; ++g)
            for (uint32_t p : {0u, g, g % 3000 + 1}) {
                uint64_t group = uint64_t(g) << 40 | 7;
                auto known = numbers.emplace(std::make_pair(p, group), uint32_t(numbers.size()));
                ASSERT_EQ(groupSumOf(sums, p, group), known.first->second) << p << " " << g;
            }
    EXPECT_EQ(sums.sums.size(), numbers.size());
    for (uint32_t head : sums.head) {
        int chained = 0;
        for (uint32_t i = head; i != noRecord; i = sums.sums[i].next)
            ++chained;
        ASSERT_LE(chained, maxChainedSums);
    }
}
