#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/platform/containers/Vector_sct.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::Vector_sct;

// An element whose copy fails once a budget of copies is spent.
struct Flaky {
  static int live;
  static int copiesLeft;
  int value = 0;
  Flaky() { ++live; }
  Flaky(const Flaky& other, tStatus& status) : value(other.value) {
    ++live;
    if (copiesLeft-- == 0) status.setCode(-52005, VL_SITE);
  }
  ~Flaky() { --live; }
  friend void swap(Flaky& a, Flaky& b) { std::swap(a.value, b.value); }
};
int Flaky::live = 0;
int Flaky::copiesLeft = 1000;

std::vector<int> valuesOf(const Vector_sct<Flaky>& vector) {
  std::vector<int> values;
  for (const Flaky& element : vector) values.push_back(element.value);
  return values;
}

class VectorSct : public testing::Test {
 protected:
  void SetUp() override {
    Flaky::copiesLeft = 1000;
    vector_.insert_(vector_.end(), 5, status_);
    for (int i = 0; i < 5; ++i) vector_[i].value = i + 1;
    ASSERT_EQ(vector_.capacity(), 8u);
  }
  void TearDown() override {
    vector_.clear();
    EXPECT_EQ(Flaky::live, 0);
  }
  tStatus status_;
  Vector_sct<Flaky> vector_;
};

TEST_F(VectorSct, InPlaceInsertSwapsZeroedElementsIntoPlaceWithoutCopying) {
  Flaky::copiesLeft = 0;
  const Flaky* data = vector_.begin();
  vector_.insert_(vector_.begin() + 1, 2, status_);
  EXPECT_EQ(status_.getCode(), 0);
  EXPECT_EQ(vector_.begin(), data);
  EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 0, 0, 2, 3, 4, 5}));
  vector_.erase(vector_.begin() + 1, vector_.begin() + 4);
  EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 3, 4, 5}));
  EXPECT_EQ(Flaky::live, 4);
}

// Every copy up to the failing one is undone; with none failing, the kept
// elements are all copied over.
TEST_F(VectorSct, FailedCopyRollsTheReallocationBack) {
  for (int failing = 0; failing <= 5; ++failing) {
    tStatus status;
    Flaky::copiesLeft = failing;
    const Flaky* data = vector_.begin();
    vector_.insert_(vector_.begin() + 2, 4, status);
    if (failing == 5) break;
    EXPECT_EQ(status.getCode(), -52005) << "copy " << failing;
    EXPECT_EQ(vector_.begin(), data);
    EXPECT_EQ(vector_.capacity(), 8u);
    EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Flaky::live, 5);
  }
  EXPECT_EQ(vector_.capacity(), 12u);
  EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 2, 0, 0, 0, 0, 3, 4, 5}));
  EXPECT_EQ(Flaky::live, 9);
}

TEST_F(VectorSct, RefusedBlockLeavesTheVectorAsItWas) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  sim::Memory::allocationFaults().failNth(1, 0);
  vector_.insert_(vector_.begin(), 4, status_);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(status_.getCode(), -52000);
  EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Flaky::live, 5);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

}  // namespace
