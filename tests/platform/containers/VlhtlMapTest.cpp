#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/platform/containers/VlhtlMap.h"
#include "sim/kernel/Memory.h"
#include "tests/support/AllocationSweep.h"

namespace {

using nVLAPALS100::tStatus;
using Map = vlhtl::Map<uint32_t, uint32_t>;

std::vector<std::pair<uint32_t, uint32_t>> entriesOf(const Map& map) {
  std::vector<std::pair<uint32_t, uint32_t>> entries;
  for (const auto& entry : map) entries.emplace_back(entry.first, entry.second);
  return entries;
}

TEST(OrderedMap, InsertingAPresentKeyKeepsTheEntryAndReportsIt) {
  tStatus status;
  Map map;
  const Map::InsertResult first = map.insert(7, 70, status);
  EXPECT_TRUE(first.inserted);
  const Map::InsertResult again = map.insert(7, 71, status);
  EXPECT_FALSE(again.inserted);
  EXPECT_EQ(again.entry, first.entry);
  EXPECT_EQ(again.entry->second, 70u);
  EXPECT_EQ(map.size(), 1u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST(OrderedMap, IteratesInKeyOrderAndErases) {
  tStatus status;
  Map map;
  for (uint32_t key : {30u, 10u, 20u, 40u}) map.insert(key, key * 2, status);
  EXPECT_EQ(entriesOf(map), (std::vector<std::pair<uint32_t, uint32_t>>{{10, 20}, {20, 40}, {30, 60}, {40, 80}}));
  EXPECT_TRUE(map.erase(20));
  EXPECT_FALSE(map.erase(20));
  EXPECT_EQ(map.find(20), nullptr);
  ASSERT_NE(map.find(30), nullptr);
  EXPECT_EQ(map.find(30)->second, 60u);
  EXPECT_EQ(map.size(), 3u);
}

TEST(OrderedMap, EntriesComeFromTheAllocatorAndGoBackToIt) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  {
    tStatus status;
    Map map;
    for (uint32_t key = 0; key < 10; ++key) map.insert(key, key, status);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks + 10);
    map.erase(3);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks + 9);
  }
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

TEST(OrderedMap, RefusedEntryIsOutOfMemory) {
  tStatus status;
  Map map;
  sim::Memory::allocationFaults().failNth(1, 0);
  const Map::InsertResult result = map.insert(1, 2, status);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_FALSE(result.inserted);
  EXPECT_EQ(result.entry, nullptr);
  EXPECT_TRUE(map.empty());
  // An error present on entry stops the insert.
  EXPECT_EQ(map.insert(1, 2, status).entry, nullptr);
  EXPECT_TRUE(map.empty());
}

TEST(OrderedMapAllocationSweep, FailedInsertsLeaveTheOtherEntries) {
  vltest::sweepAllocationFailures([] {
    Map map;
    bool present[64] = {};
    for (uint32_t round = 0; round < 64; ++round) {
      const uint32_t key = (round * 29) % 64;
      tStatus status;
      const Map::InsertResult result = map.insert(key, key + 1000, status);
      if (result.inserted != status.isNotFatal()) return 1;
      present[key] = result.inserted;
      uint32_t previous = 0;
      uint64_t count = 0;
      for (const auto& entry : map) {
        if (!present[entry.first] || entry.second != entry.first + 1000) return 2;
        if (count != 0 && entry.first <= previous) return 3;
        previous = entry.first;
        ++count;
      }
      if (count != map.size()) return 4;
    }
    return 0;
  });
}

}  // namespace
