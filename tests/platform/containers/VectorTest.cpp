// The growing vectors of the container library: capacities, inserts of
// every source kind against a reference, and failures that change nothing.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "driver/platform/containers/FixedVector.h"
#include "driver/platform/containers/Vector.h"
#include "sim/kernel/Memory.h"

namespace {

using nVLAPALS100::tStatus;
using vlhtl::repeatBegin;
using vlhtl::repeatEnd;
using vlhtl::Vector;

// Counts live elements, so that every copy made is also destroyed; its
// copies run constructors, unlike the plain element moved as bytes.
struct Tracked {
  static int live;
  int value;
  Tracked(int v = 0) : value(v) { ++live; }
  Tracked(const Tracked& other) : value(other.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};
int Tracked::live = 0;

struct Plain {
  int value;
  Plain(int v = 0) : value(v) {}
};

template <typename T>
std::vector<int> valuesOf(const Vector<T>& vector) {
  std::vector<int> values;
  for (const T& element : vector) values.push_back(element.value);
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
  Vector<uint32_t> bulk;
  const uint32_t twenty[20] = {};
  bulk.insert_(bulk.end(), twenty, twenty + 20, status);
  EXPECT_EQ(bulk.capacity(), 20u);
  bulk.resize(2, 7, status);
  EXPECT_EQ(bulk.size(), 2u);
  EXPECT_EQ(bulk.capacity(), 20u);
  EXPECT_EQ(status.getCode(), 0);
}

template <typename T>
class VectorEdits : public testing::Test {};
using ElementKinds = testing::Types<Tracked, Plain>;
TYPED_TEST_SUITE(VectorEdits, ElementKinds);

TYPED_TEST(VectorEdits, MatchAReferenceUnderRandomEdits) {
  using T = TypeParam;
  const unsigned seed = 4242;
  std::mt19937 random(seed);
  {
    Vector<T> vector;
    std::vector<int> reference;
    int next = 0;
    for (int round = 0; round < 400; ++round) {
      tStatus status;
      const uint64_t position = random() % (reference.size() + 1);
      const int kind = static_cast<int>(random() % 6);
      if (kind == 0) {
        T source[5] = {next, next + 1, next + 2, next + 3, next + 4};
        const uint64_t n = random() % 6;
        next += 5;
        vector.insert_(vector.begin() + position, source, source + n, status);
        for (uint64_t i = 0; i < n; ++i) reference.insert(reference.begin() + position + i, source[i].value);
      } else if (kind == 1) {
        const T value(next++);
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
        // Copies of one of its own elements, or one appended to itself.
        const uint64_t index = random() % reference.size();
        const uint64_t n = random() % 9;
        vector.insert_(vector.begin() + position, repeatBegin(vector[index]), repeatEnd(vector[index], n), status);
        reference.insert(reference.begin() + position, n, reference[index]);
        vector.push_back(vector[index], status);
        reference.push_back(reference[index]);
      } else if (kind == 4) {
        vector.push_back(T(next), status);
        reference.push_back(next++);
      } else if (!reference.empty()) {
        const uint64_t last = position + random() % (reference.size() - position + 1);
        vector.erase(vector.begin() + position, vector.begin() + last);
        reference.erase(reference.begin() + position, reference.begin() + last);
      }
      ASSERT_EQ(status.getCode(), 0);
      ASSERT_EQ(valuesOf(vector), reference) << "seed " << seed << " round " << round << " kind " << kind;
      if (std::is_same_v<T, Tracked>) {
        ASSERT_EQ(Tracked::live, static_cast<int>(vector.size()));
      }
    }
  }
  EXPECT_EQ(Tracked::live, 0);
}

// Each failing call leaves the vector's block, capacity and elements as
// they were and answers at its own site.
TEST(Vector, FailuresChangeNothingAndAnswerAtTheirSite) {
  const uint64_t v = 99;
  const char* const allocatorSite = "driver/platform/containers/VlhtlAllocator.h";
  const struct {
    std::function<void(Vector<uint64_t>&, tStatus&)> call;
    int64_t code;
    const char* file;
  } cases[] = {
      {[&](auto& vector, auto& s) { vector.insert_(vector.begin(), repeatBegin(v), repeatEnd(v, ~0ull - 3), s); },
       -52000, allocatorSite},
      {[&](auto& vector, auto& s) { vector.insert_(vector.end(), repeatBegin(v), repeatEnd(v, ~0ull / 8), s); }, -52000,
       allocatorSite},
      {[&](auto& vector, auto& s) {
         sim::Memory::allocationFaults().failNth(1, 0);
         vector.push_back(v, s);
       },
       -52000, "dep_mirror/deps/vlapal/includes/vlapal/quarks/memory"},
      {[&](auto& vector, auto& s) {
         s.setCode(-52005, VL_SITE);
         vector.push_back(v, s);
         vector.resize(100, v, s);
       },
       -52005, nullptr},
  };
  for (const auto& c : cases) {
    Vector<uint64_t> vector;
    tStatus status(tStatus::kFullSize);
    for (uint64_t i = 0; i < 8; ++i) vector.push_back(i, status);
    const uint64_t* data = vector.data();
    const int64_t blocks = sim::Memory::outstandingBlocks();
    c.call(vector, status);
    sim::Memory::allocationFaults().clear();
    EXPECT_EQ(status.getCode(), c.code);
    if (c.file != nullptr) {
      EXPECT_STREQ(status.getFile(), c.file);
    }
    EXPECT_EQ(vector.data(), data);
    EXPECT_EQ(vector.capacity(), 8u);
    EXPECT_EQ(std::vector<uint64_t>(vector.begin(), vector.end()), (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
  }
}

using Personalities = vlhtl::FixedVector<uint32_t, 4>;

std::vector<uint32_t> valuesOf(const Personalities& vector) { return {vector.begin(), vector.end()}; }

TEST(FixedVector, InsertsInPlaceReadingASourceInsideItWhereItMoved) {
  const int64_t blocks = sim::Memory::outstandingBlocks();
  Personalities vector;
  const uint32_t two[2] = {7, 8};
  vector.insert_(vector.end(), two, two + 2);
  vector.insert_(vector.begin(), vector.begin(), vector.end());
  EXPECT_EQ(valuesOf(vector), (std::vector<uint32_t>{7, 8, 7, 8}));
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks);
  Personalities source;
  source.insert_(source.end(), two + 1, two + 2);
  vector = source;
  EXPECT_EQ(valuesOf(vector), (std::vector<uint32_t>{8}));
}

TEST(FixedVectorDeathTest, InsertPastTheCapacityHalts) {
  Personalities vector;
  const uint32_t five[5] = {};
  // A count the compiler cannot see, as a caller's would be.
  volatile uint64_t count = 5;
  EXPECT_DEATH(vector.insert_(vector.end(), five, five + count), "ASSERT\\(_size\\+n <= N\\)");
}

}  // namespace
