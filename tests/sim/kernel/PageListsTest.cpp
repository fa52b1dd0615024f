// The simulated kernel layer's seeded page placement, on which the seeded
// DMA layout test relies to repeat a failing run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "driver/platform/zuk/ZukDMA.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/PhysicalMemory.h"

namespace {

using sim::PhysicalMemory;
constexpr uint64_t kPage = PhysicalMemory::kPageSize;

struct PhysicalRun {
  uint64_t address;
  uint64_t size;
};

std::vector<PhysicalRun> runsOf(uint64_t list, uint64_t bytes) {
  std::vector<PhysicalRun> runs;
  for (uint64_t at = 0; at < bytes;) {
    PhysicalRun run{};
    EXPECT_EQ(nVLZUK220_tPageList_getPhysicalAddress(list, at, &run.address, &run.size), 0);
    run.size = std::min(run.size, bytes - at);
    runs.push_back(run);
    at += run.size;
  }
  return runs;
}

// PhysicalRun lengths and which runs lie high, for a seeded layout of 64 pages.
std::vector<std::pair<uint64_t, bool>> seededLayout(uint64_t seed) {
  PhysicalMemory::setPlacement({4, 3, seed});
  const uint64_t list = nVLZUK220_tPageList_createFromAllocation(64, 0);
  std::vector<std::pair<uint64_t, bool>> layout;
  for (const PhysicalRun& run : runsOf(list, 64 * kPage)) {
    layout.emplace_back(run.size / kPage, run.address + run.size > PhysicalMemory::k4G - 2 * kPage);
  }
  nVLZUK220_tPageList_destroy(list);
  return layout;
}

TEST(PageLists, SeededPlacementRepeatsItselfAndKeepsRunsApart) {
  const uint64_t seed = 20240611;
  std::printf("seed %llu\n", static_cast<unsigned long long>(seed));
  const auto first = seededLayout(seed);
  EXPECT_EQ(seededLayout(seed), first);
  uint64_t pages = 0;
  bool someHigh = false;
  bool someLow = false;
  for (const auto& [length, high] : first) {
    // Runs are maximal: a run longer than the limit means two runs touched.
    EXPECT_LE(length, 4u);
    pages += length;
    (high ? someHigh : someLow) = true;
  }
  EXPECT_EQ(pages, 64u);
  EXPECT_TRUE(someHigh && someLow);
}

}  // namespace
