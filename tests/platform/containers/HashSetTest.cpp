#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "driver/platform/containers/HashSet.h"
#include "tests/support/AllocationSweep.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::HashSet;

// Shaped like the settings records kept in sets: ten bytes of fields and
// two bytes of padding at the end. Equality looks at the fields only, so
// every constructor and copy keeps the padding zero.
struct SettingsRecord {
  uint32_t frequency;
  uint32_t power;
  uint16_t path;

  SettingsRecord(uint32_t f, uint32_t p, uint16_t pathIndex) {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    frequency = f;
    power = p;
    path = pathIndex;
  }
  SettingsRecord(const SettingsRecord& other) { std::memcpy(static_cast<void*>(this), &other, sizeof(*this)); }
  SettingsRecord& operator=(const SettingsRecord& other) {
    std::memcpy(static_cast<void*>(this), &other, sizeof(*this));
    return *this;
  }
  bool operator==(const SettingsRecord& other) const {
    return frequency == other.frequency && power == other.power && path == other.path;
  }
};
static_assert(sizeof(SettingsRecord) == 12, "two bytes of padding at the end");

TEST(HashSet, HashIsFnv1aOverEveryByte) {
  struct Text {
    char bytes[6];
  };
  EXPECT_EQ(vlhtl::hasher<Text>()(Text{{'f', 'o', 'o', 'b', 'a', 'r'}}), 0xbf9cf968u);
  EXPECT_EQ(vlhtl::fnv1a32("a", 1), 0xe40c292cu);
  EXPECT_EQ(vlhtl::fnv1a32("", 0), 2166136261u);
}

TEST(HashSet, EqualSettingsRecordsLandInOneBucket) {
  tStatus status;
  HashSet<SettingsRecord> set(status);
  // One record made in memory full of stale bytes, one made afresh.
  alignas(SettingsRecord) unsigned char dirty[sizeof(SettingsRecord)];
  std::memset(dirty, 0xAA, sizeof(dirty));
  const SettingsRecord* first = new (dirty) SettingsRecord(2400000, 13, 1);
  const SettingsRecord second(2400000, 13, 1);
  const SettingsRecord copy = *first;

  const uint8_t bytes[12] = {0x00, 0x9F, 0x24, 0x00, 13, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(vlhtl::hasher<SettingsRecord>()(*first), vlhtl::fnv1a32(bytes, sizeof(bytes)));
  EXPECT_EQ(set.bucketOf(*first), set.bucketOf(second));
  EXPECT_EQ(set.bucketOf(copy), set.bucketOf(second));
  EXPECT_TRUE(set.insert(*first, status));
  EXPECT_FALSE(set.insert(second, status));
  EXPECT_FALSE(set.insert(copy, status));
  EXPECT_EQ(set.size(), 1u);
  EXPECT_EQ(status.getCode(), 0);

  // What the rule prevents: the same fields over other padding bytes hash
  // elsewhere, and the set would hold the record twice.
  SettingsRecord stale = second;
  reinterpret_cast<unsigned char*>(&stale)[11] = 0xAA;
  EXPECT_NE(vlhtl::hasher<SettingsRecord>()(stale), vlhtl::hasher<SettingsRecord>()(second));
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

TEST(HashSet, AnErrorOnEntryAddsNothing) {
  tStatus status;
  HashSet<uint64_t> set(status);
  status.setCode(-52005, VL_SITE);
  EXPECT_FALSE(set.insert(1, status));
  EXPECT_EQ(set.size(), 0u);
  EXPECT_EQ(status.getCode(), -52005);
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
