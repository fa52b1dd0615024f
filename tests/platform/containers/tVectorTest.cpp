#include <gtest/gtest.h>

#include <vector>

#include "driver/platform/containers/tArray.h"
#include "driver/platform/containers/tVector.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPAL000::tArray;
using nVLAPAL000::tVector;

std::vector<uint8_t> bytesOf(const tVector<uint8_t>& vector) {
  return std::vector<uint8_t>(vector.data(), vector.data() + vector.size());
}

TEST(PlatformVector, GapOpensZeroedAndTheCallerCountsIt) {
  tVector<uint8_t> vector;
  const uint8_t ends[2] = {1, 4};
  ASSERT_TRUE(vector.append(ends, 2));
  ASSERT_TRUE(vector._insert(1, 2));
  EXPECT_EQ(vector.size(), 2u);
  EXPECT_EQ(vector.data()[3], 4);
  vector.data()[1] = 2;
  vector.data()[2] = 3;
  vector._commit(2);
  EXPECT_EQ(bytesOf(vector), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(PlatformVector, CapacityDoubles) {
  tVector<uint8_t> vector;
  std::vector<uint64_t> capacities;
  for (uint8_t i = 0; i < 20; ++i) {
    ASSERT_TRUE(vector.pushBack(i));
    if (capacities.empty() || capacities.back() != vector.capacity()) capacities.push_back(vector.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<uint64_t>{1, 2, 4, 8, 16, 32}));
  const uint8_t many[100] = {};
  ASSERT_TRUE(vector.append(many, 100));
  EXPECT_EQ(vector.capacity(), 120u);
}

TEST(PlatformVector, FailedGrowthSetsTheStickyFlagAndKeepsTheBytes) {
  tVector<uint8_t> vector;
  const uint8_t three[3] = {7, 8, 9};
  ASSERT_TRUE(vector.append(three, 3));
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_FALSE(vector.append(three, 3));
  sim::Memory::allocationFaults().clear();
  EXPECT_TRUE(vector.hasFailed());
  EXPECT_EQ(bytesOf(vector), (std::vector<uint8_t>{7, 8, 9}));
  EXPECT_FALSE(vector._insert(0, UINT64_MAX));
  // Later growth works, but the flag stays until the owner reports it.
  EXPECT_TRUE(vector.append(three, 3));
  EXPECT_TRUE(vector.hasFailed());
  nVLAPALS100::tStatus status;
  vector.checkFailure(status);
  EXPECT_EQ(status.getCode(), -52000);
}

TEST(PlatformArray, GapOpensZeroedWithinTheCapacity) {
  tArray<uint8_t, 256> array;
  const uint8_t levels[3] = {0x10, 0x20, 0x30};
  array.insert(0, levels, 3);
  array._insert(1, 1);
  EXPECT_EQ(array.size(), 3u);
  EXPECT_EQ(array[3], 0x30);
  array[1] = 0x15;
  array._commit(1);
  EXPECT_EQ(std::vector<uint8_t>(array.data(), array.data() + 4), (std::vector<uint8_t>{0x10, 0x15, 0x20, 0x30}));
  const uint8_t rest[252] = {};
  array.insert(4, rest, 252);
  EXPECT_EQ(array.size(), 256u);
}

TEST(PlatformArrayDeathTest, GrowingPastTheCapacityHalts) {
  tArray<uint8_t, 256> array;
  const uint8_t full[256] = {};
  array.insert(0, full, 256);
  EXPECT_DEATH(array._insert(0, 1), "ASSERT\\(_size\\+n <= kMaxSize\\)");
}

}  // namespace
