#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/platform/containers/VlhtlMap.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPALS100::tStatus;
using Map = vlhtl::Map<uint32_t, uint32_t>;

std::vector<std::pair<uint32_t, uint32_t>> entriesOf(const Map& map) {
  std::vector<std::pair<uint32_t, uint32_t>> entries;
  for (const auto& entry : map) entries.emplace_back(entry.first, entry.second);
  return entries;
}

TEST(OrderedMap, KeepsOneEntryPerKeyInKeyOrder) {
  tStatus status;
  Map map;
  for (uint32_t key : {30u, 10u, 20u, 40u}) map.insert(key, key * 2, status);
  const Map::InsertResult again = map.insert(20, 99, status);
  EXPECT_FALSE(again.inserted);
  EXPECT_EQ(again.entry, map.find(20));
  EXPECT_EQ(entriesOf(map), (std::vector<std::pair<uint32_t, uint32_t>>{{10, 20}, {20, 40}, {30, 60}, {40, 80}}));
  EXPECT_TRUE(map.erase(20));
  EXPECT_FALSE(map.erase(20));
  EXPECT_EQ(map.find(20), nullptr);
  EXPECT_EQ(map.find(25), nullptr);
  EXPECT_EQ(map.size(), 3u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST(OrderedMap, EntriesComeFromTheAllocatorAndClearGivesThemAllBack) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  {
    tStatus status;
    Map map;
    for (uint32_t key = 0; key < 100; ++key) map.insert((key * 37) % 100, key, status);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks + 100);
    map.erase(3);
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks + 99);
    map.clear();
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.begin(), map.end());
    map.insert(5, 6, status);
    EXPECT_EQ(entriesOf(map), (std::vector<std::pair<uint32_t, uint32_t>>{{5, 6}}));
  }
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

TEST(OrderedMap, RefusedEntryIsOutOfMemoryAndAnErrorOnEntryStopsTheInsert) {
  tStatus status;
  Map map;
  sim::Memory::allocationFaults().failNth(1, 0);
  const Map::InsertResult result = map.insert(1, 2, status);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_FALSE(result.inserted);
  EXPECT_EQ(result.entry, nullptr);
  EXPECT_EQ(map.insert(1, 2, status).entry, nullptr);
  EXPECT_TRUE(map.empty());
}

}  // namespace
