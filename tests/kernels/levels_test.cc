#include "kernels/levels.h"

#include <gtest/gtest.h>

namespace {

using Codes = std::vector<std::int32_t>;

TEST(DistinctLevels, SortedDistinctCodes) {
  EXPECT_EQ(distinctLevels({3, 1, 3, 2, 1}), (Codes{1, 2, 3}));
  EXPECT_EQ(distinctLevels({5, -1, 0, 5}), (Codes{-1, 0, 5}));
  EXPECT_EQ(distinctLevels({7, 7, 7}), (Codes{7}));
  EXPECT_TRUE(distinctLevels({}).empty());
}

TEST(DistinctTuples, LexicographicOrder) {
  LevelTuples pairs = distinctPairs({2, 1, 2, 1}, {1, 5, 1, 3});
  ASSERT_EQ(pairs.count(), 3u);
  EXPECT_EQ(pairs.columns[0], (Codes{1, 1, 2}));
  EXPECT_EQ(pairs.columns[1], (Codes{3, 5, 1}));

  LevelTuples quads = distinctQuads({1, 1, 1, 0}, {2, 1, 2, 9}, {1, 1, 1, 9}, {4, 3, 4, 9});
  ASSERT_EQ(quads.count(), 3u);
  EXPECT_EQ(quads.columns[0], (Codes{0, 1, 1}));
  EXPECT_EQ(quads.columns[1], (Codes{9, 1, 2}));
  EXPECT_EQ(quads.columns[3], (Codes{9, 3, 4}));

  LevelTuples triples = distinctTriples({}, {}, {});
  EXPECT_EQ(triples.count(), 0u);
  EXPECT_EQ(triples.columns.size(), 3u);
}

}  // namespace
