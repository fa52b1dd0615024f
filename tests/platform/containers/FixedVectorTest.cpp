#include <gtest/gtest.h>

#include <vector>

#include "driver/platform/containers/FixedVector.h"
#include "sim/kernel/Kernel.h"

namespace {

using Personalities = vlhtl::FixedVector<uint32_t, 4>;

std::vector<uint32_t> valuesOf(const Personalities& vector) { return {vector.begin(), vector.end()}; }

TEST(FixedVector, InsertsBeforeAPositionWithoutAllocating) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  Personalities vector;
  const uint32_t ends[2] = {1, 4};
  const uint32_t middle[2] = {2, 3};
  vector.insert_(vector.end(), ends, ends + 2);
  vector.insert_(vector.begin() + 1, middle, middle + 2);
  EXPECT_EQ(valuesOf(vector), (std::vector<uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

TEST(FixedVector, SourceInsideTheVectorIsReadWhereItMoved) {
  Personalities vector;
  const uint32_t two[2] = {7, 8};
  vector.insert_(vector.end(), two, two + 2);
  vector.insert_(vector.begin(), vector.begin(), vector.end());
  EXPECT_EQ(valuesOf(vector), (std::vector<uint32_t>{7, 8, 7, 8}));
}

TEST(FixedVector, CopyAssignmentReplacesTheWholeContent) {
  Personalities target;
  Personalities source;
  const uint32_t four[4] = {1, 2, 3, 4};
  target.insert_(target.end(), four, four + 4);
  source.insert_(source.end(), four + 2, four + 4);
  target = source;
  EXPECT_EQ(valuesOf(target), (std::vector<uint32_t>{3, 4}));
  target = target;
  EXPECT_EQ(valuesOf(target), (std::vector<uint32_t>{3, 4}));
  target.erase(target.begin(), target.begin() + 1);
  EXPECT_EQ(valuesOf(target), (std::vector<uint32_t>{4}));
}

TEST(FixedVectorDeathTest, InsertPastTheCapacityHalts) {
  Personalities vector;
  const uint32_t five[5] = {};
  // A count the compiler cannot see, as a caller's would be.
  volatile uint64_t count = 5;
  EXPECT_DEATH(vector.insert_(vector.end(), five, five + count), "ASSERT\\(_size\\+n <= N\\)");
}

}  // namespace
