#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver/platform/containers/Vector.h"
#include "sim/kernel/Memory.h"
#include "tests/support/AllocationSweep.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::repeatBegin;
using vlhtl::repeatEnd;
using vlhtl::Vector;

// Counts live elements, so that every copy made is also destroyed.
struct Tracked {
  static int live;
  int value;
  Tracked(int v = 0) : value(v) { ++live; }
  Tracked(const Tracked& other) : value(other.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};
int Tracked::live = 0;

std::vector<int> valuesOf(const Vector<Tracked>& vector) {
  std::vector<int> values;
  for (const Tracked& element : vector) values.push_back(element.value);
  return values;
}

TEST(Vector, CapacityStartsAtEightAndGrowsByHalf) {
  tStatus status;
  Vector<uint32_t> vector;
  std::vector<uint64_t> capacities;
  for (uint32_t i = 0; i < 13; ++i) {
    vector.push_back(i, status);
    if (capacities.empty() || capacities.back() != vector.capacity()) capacities.push_back(vector.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<uint64_t>{8, 12, 18}));
  EXPECT_EQ(status.getCode(), 0);

  Vector<uint32_t> bulk;
  const uint32_t twenty[20] = {};
  bulk.insert_(bulk.end(), twenty, twenty + 20, status);
  EXPECT_EQ(bulk.capacity(), 20u);
  EXPECT_EQ(bulk.size(), 20u);
}

TEST(Vector, InsertsMatchAReferenceUnderRandomEdits) {
  const unsigned seed = 4242;
  std::mt19937 random(seed);
  {
    Vector<Tracked> vector;
    std::vector<int> reference;
    int next = 0;
    for (int round = 0; round < 400; ++round) {
      tStatus status;
      const uint64_t position = random() % (reference.size() + 1);
      const int kind = static_cast<int>(random() % 5);
      if (kind == 0) {
        Tracked source[5] = {next, next + 1, next + 2, next + 3, next + 4};
        const uint64_t n = random() % 6;
        next += 5;
        vector.insert_(vector.begin() + position, source, source + n, status);
        for (uint64_t i = 0; i < n; ++i) reference.insert(reference.begin() + position + i, source[i].value);
      } else if (kind == 1) {
        const Tracked value(next++);
        const uint64_t n = random() % 7;
        vector.insert_(vector.begin() + position, repeatBegin(value), repeatEnd(value, n), status);
        reference.insert(reference.begin() + position, n, value.value);
      } else if (kind == 2 && !reference.empty()) {
        // A part of the vector itself, inserted into it.
        const uint64_t first = random() % reference.size();
        const uint64_t last = first + random() % (reference.size() - first + 1);
        const std::vector<int> part(reference.begin() + first, reference.begin() + last);
        vector.insert_(vector.begin() + position, vector.begin() + first, vector.begin() + last, status);
        reference.insert(reference.begin() + position, part.begin(), part.end());
      } else if (kind == 3 && !reference.empty()) {
        // Copies of one of its own elements.
        const uint64_t index = random() % reference.size();
        const uint64_t n = random() % 9;
        vector.insert_(vector.begin() + position, repeatBegin(vector[index]), repeatEnd(vector[index], n), status);
        reference.insert(reference.begin() + position, n, reference[index]);
      } else if (!reference.empty()) {
        const uint64_t last = position + random() % (reference.size() - position + 1);
        vector.erase(vector.begin() + position, vector.begin() + last);
        reference.erase(reference.begin() + position, reference.begin() + last);
      }
      ASSERT_EQ(status.getCode(), 0);
      ASSERT_EQ(valuesOf(vector), reference) << "seed " << seed << " round " << round << " kind " << kind;
      ASSERT_EQ(Tracked::live, static_cast<int>(vector.size()));
    }
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(Vector, ResizeFillsAndErases) {
  tStatus status;
  Vector<Tracked> vector;
  vector.resize(3, Tracked(7), status);
  EXPECT_EQ(valuesOf(vector), (std::vector<int>{7, 7, 7}));
  vector.resize(1, Tracked(9), status);
  EXPECT_EQ(valuesOf(vector), (std::vector<int>{7}));
  vector.pop_back();
  EXPECT_TRUE(vector.empty());
  EXPECT_EQ(vector.capacity(), 8u);
}

struct Snapshot {
  explicit Snapshot(const Vector<uint64_t>& vector)
      : data(vector.data()), size(vector.size()), capacity(vector.capacity()), values(vector.begin(), vector.end()) {}
  bool operator==(const Snapshot&) const = default;
  const uint64_t* data;
  uint64_t size;
  uint64_t capacity;
  std::vector<uint64_t> values;
};

class VectorFailure : public testing::Test {
 protected:
  void SetUp() override {
    tStatus status;
    for (uint64_t i = 0; i < 8; ++i) vector_.push_back(i, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  Vector<uint64_t> vector_;
  tStatus status_{tStatus::kFullSize};
  const uint64_t value_ = 99;
};

TEST_F(VectorFailure, CountOverflowAnswersOutOfMemoryAndChangesNothing) {
  const Snapshot before(vector_);
  vector_.insert_(vector_.begin(), repeatBegin(value_), repeatEnd(value_, UINT64_MAX - 3), status_);
  EXPECT_EQ(status_.getCode(), -52000);
  EXPECT_EQ(std::string(status_.getFile()), "driver/platform/containers/VlhtlAllocator.h");
  EXPECT_EQ(Snapshot(vector_), before);
}

TEST_F(VectorFailure, ByteSizeOverflowAnswersOutOfMemoryAndChangesNothing) {
  const Snapshot before(vector_);
  const int64_t blocks = sim::Memory::outstandingBlocks();
  vector_.insert_(vector_.end(), repeatBegin(value_), repeatEnd(value_, UINT64_MAX / 8 - 4), status_);
  EXPECT_EQ(status_.getCode(), -52000);
  EXPECT_EQ(std::string(status_.getFile()), "driver/platform/containers/VlhtlAllocator.h");
  EXPECT_EQ(Snapshot(vector_), before);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
}

TEST_F(VectorFailure, RefusedAllocationAnswersOutOfMemoryAtTheMemorySite) {
  const Snapshot before(vector_);
  sim::Memory::allocationFaults().failNth(1, 0);
  vector_.push_back(value_, status_);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(status_.getCode(), -52000);
  EXPECT_EQ(std::string(status_.getFile()), "dep_mirror/deps/vlapal/includes/vlapal/quarks/memory");
  EXPECT_EQ(Snapshot(vector_), before);
}

TEST_F(VectorFailure, AnErrorOnEntryChangesNothing) {
  const Snapshot before(vector_);
  status_.setCode(-52005, VL_SITE);
  vector_.push_back(value_, status_);
  vector_.resize(100, value_, status_);
  EXPECT_EQ(status_.getCode(), -52005);
  EXPECT_EQ(Snapshot(vector_), before);
}

TEST(VectorAllocationSweep, FailedGrowthLeavesNoLeakAndAnIntactVector) {
  constexpr int kRounds = 40;
  vltest::sweepAllocationFailures([] {
    Vector<Tracked> vector;
    int reference[kRounds * 3];
    uint64_t size = 0;
    for (int round = 0; round < kRounds; ++round) {
      tStatus status;
      const Tracked three[3] = {round * 3, round * 3 + 1, round * 3 + 2};
      const uint64_t position = size / 2;
      const Tracked* before = vector.data();
      vector.insert_(vector.begin() + position, three, three + 3, status);
      if (status.isFatal()) {
        if (status.getCode() != -52000 || vector.size() != size || vector.data() != before) return 1;
      } else {
        for (uint64_t i = size; i-- > position;) reference[i + 3] = reference[i];
        for (int i = 0; i < 3; ++i) reference[position + i] = three[i].value;
        size += 3;
      }
      if (vector.size() != size) return 2;
      for (uint64_t i = 0; i < size; ++i) {
        if (vector[i].value != reference[i]) return 3;
      }
    }
    return 0;
  });
  EXPECT_EQ(Tracked::live, 0);
}

}  // namespace
