#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/platform/containers/BasicString.h"
#include "driver/platform/containers/Vector_sct.h"
#include "tests/support/AllocationSweep.h"

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
}

TEST_F(VectorSct, ReallocationCopiesEveryKeptElement) {
  vector_.insert_(vector_.begin() + 2, 4, status_);
  EXPECT_EQ(status_.getCode(), 0);
  EXPECT_EQ(vector_.capacity(), 12u);
  EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 2, 0, 0, 0, 0, 3, 4, 5}));
  EXPECT_EQ(Flaky::live, 9);
}

TEST_F(VectorSct, FailedCopyRollsTheReallocationBack) {
  for (int failing = 0; failing < 5; ++failing) {
    tStatus status;
    Flaky::copiesLeft = failing;
    const Flaky* data = vector_.begin();
    vector_.insert_(vector_.begin() + 2, 4, status);
    EXPECT_EQ(status.getCode(), -52005) << "copy " << failing;
    EXPECT_EQ(vector_.begin(), data);
    EXPECT_EQ(vector_.capacity(), 8u);
    EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Flaky::live, 5);
  }
}

TEST_F(VectorSct, EraseKeepsTheOrderOfTheRest) {
  vector_.erase(vector_.begin() + 1, vector_.begin() + 3);
  EXPECT_EQ(valuesOf(vector_), (std::vector<int>{1, 4, 5}));
  EXPECT_EQ(Flaky::live, 3);
}

// A record holding a string: its copy allocates and may fail.
struct Named {
  vlhtl::String name;
  uint32_t id = 0;
  Named() = default;
  Named(const Named& other, tStatus& status) : name(other.name, status), id(other.id) {}
  friend void swap(Named& a, Named& b) {
    a.name.swap(b.name);
    std::swap(a.id, b.id);
  }
};

TEST(VectorSctAllocationSweep, RecordsWithStringsSurviveEveryFailure) {
  static const char* const kNames[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota"};
  vltest::sweepAllocationFailures([] {
    Vector_sct<Named> vector;
    uint64_t size = 0;
    for (uint32_t round = 0; round < 30; ++round) {
      tStatus status;
      vector.insert_(vector.begin(), 1, status);
      if (status.isFatal()) {
        if (vector.size() != size) return 1;
      } else {
        ++size;
        // A name that cannot be stored leaves the new record nameless.
        vector[0].name.assign(kNames[round % 9], status);
        vector[0].id = round + 1;
        if (status.isFatal() && vector[0].name.size() != 0) return 2;
      }
      for (uint64_t i = 0; i < size; ++i) {
        const Named& named = vector[i];
        const uint32_t round = named.id - 1;
        if (named.name.size() != 0 && nVLAPAL000::compareText(named.name.c_str(), kNames[round % 9]) != 0) return 3;
      }
    }
    return 0;
  });
}

}  // namespace
