#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver/platform/containers/HashSet.h"
#include "tests/support/AllocationSweep.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::HashSet;

// The settings records kept in sets are hashed over all their bytes,
// padding included, which is why they keep their padding zero.
TEST(HashSet, HashIsFnv1aOverEveryByte) {
  struct Text {
    char bytes[6];
  };
  EXPECT_EQ(vlhtl::hasher<Text>()(Text{{'f', 'o', 'o', 'b', 'a', 'r'}}), 0xbf9cf968u);
  EXPECT_EQ(vlhtl::fnv1a32("a", 1), 0xe40c292cu);
  EXPECT_EQ(vlhtl::fnv1a32("", 0), 2166136261u);
}

TEST(HashSet, FullSetGrowsBeforeLookingEvenForAPresentValue) {
  tStatus status;
  HashSet<uint64_t> set(status);
  EXPECT_EQ(set.bucketCount(), 64u);
  for (uint64_t value = 0; value < 32; ++value) ASSERT_TRUE(set.insert(value, status));
  EXPECT_EQ(set.bucketCount(), 64u);
  EXPECT_FALSE(set.insert(7, status));
  EXPECT_EQ(set.bucketCount(), 128u);
  EXPECT_EQ(set.size(), 32u);
  for (uint64_t value = 0; value < 32; ++value) EXPECT_TRUE(set.contains(value));
  EXPECT_FALSE(set.contains(32));
  tStatus failed;
  failed.setCode(-52005, VL_SITE);
  EXPECT_FALSE(set.insert(100, failed)) << "an error on entry adds nothing";
  EXPECT_EQ(set.size(), 32u);
}

// Values that share their bucket both at 64 and at 128 buckets.
std::vector<uint64_t> collidingValues(uint32_t count) {
  std::vector<uint64_t> values;
  const uint32_t target = vlhtl::hasher<uint64_t>()(0) & 127;
  for (uint64_t value = 0; values.size() < count; ++value) {
    if ((vlhtl::hasher<uint64_t>()(value) & 127) == target) values.push_back(value);
  }
  return values;
}

std::vector<uint64_t> visitOrder(const HashSet<uint64_t>& set) {
  std::vector<uint64_t> order;
  set.forEach([&order](uint64_t value) { order.push_back(value); });
  return order;
}

TEST(HashSet, ChainsAppendAndGrowthReversesThem) {
  tStatus status;
  HashSet<uint64_t> set(status);
  const std::vector<uint64_t> colliding = collidingValues(3);
  for (uint64_t value : colliding) ASSERT_TRUE(set.insert(value, status));
  EXPECT_EQ(visitOrder(set), colliding);
  // Fill up to the growth point with values of other buckets.
  for (uint64_t value = 1000; set.size() < 32; ++value) {
    if ((vlhtl::hasher<uint64_t>()(value) & 127) != (vlhtl::hasher<uint64_t>()(colliding[0]) & 127)) {
      set.insert(value, status);
    }
  }
  set.insert(colliding[0], status);
  ASSERT_EQ(set.bucketCount(), 128u);
  std::vector<uint64_t> chain;
  for (uint64_t value : visitOrder(set)) {
    if (std::find(colliding.begin(), colliding.end(), value) != colliding.end()) chain.push_back(value);
  }
  EXPECT_EQ(chain, (std::vector<uint64_t>{colliding[2], colliding[1], colliding[0]}));
}

TEST(HashSetAllocationSweep, FailedInsertsAddNothingAndLeaveNoLeak) {
  vltest::sweepAllocationFailures([] {
    tStatus constructed;
    HashSet<uint64_t> set(constructed);
    bool present[80] = {};
    for (uint64_t round = 0; round < 160; ++round) {
      const uint64_t value = (round * 37) % 80;
      tStatus status;
      const bool added = set.insert(value, status);
      if (added != (status.isNotFatal() && !present[value])) return 1;
      if (status.isFatal() && status.getCode() != -52000) return 2;
      present[value] = present[value] || added;
      uint32_t count = 0;
      for (uint64_t v = 0; v < 80; ++v) {
        if (set.contains(v) != present[v]) return 3;
        count += present[v] ? 1 : 0;
      }
      if (set.size() != count) return 4;
    }
    return 0;
  });
}

}  // namespace
