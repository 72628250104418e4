#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "mining/TextSet.h"

namespace ledgerly {
namespace {

// Many texts, short and long, some repeated: the set grows several times
// and still answers as a std::set does.
TEST(TextSet, AgreesWithAnOrderedSetAcrossGrowth) {
    std::mt19937 rng(11);
    TextSet set;
    std::set<std::string> reference;
    for (int k = 0; k < 40000; ++k) {
        std::string text(1 + rng() % (k % 7 == 0 ? 200 : 12), 'a');
        for (char& c : text) c = static_cast<char>('a' + rng() % 4);
        ASSERT_EQ(set.Insert(text), reference.insert(text).second) << k << " " << text;
    }
    EXPECT_GT(reference.size(), 20000u);
    EXPECT_FALSE(set.Insert(*reference.begin()));
    EXPECT_TRUE(set.Insert(std::string("\0", 1)));
}

}  // namespace
}  // namespace ledgerly
