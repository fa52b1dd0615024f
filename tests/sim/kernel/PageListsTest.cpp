// The simulated kernel layer's page lists and physical memory, as the
// driver and the board model's bus masters see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

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

TEST(PageLists, DefaultPlacementGivesOneLowRunOfStaleBytes) {
  const uint64_t list = nVLZUK220_tPageList_createFromAllocation(5, 0);
  ASSERT_NE(list, 0u);
  const std::vector<PhysicalRun> runs = runsOf(list, 5 * kPage);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].size, 5 * kPage);
  EXPECT_LT(runs[0].address + runs[0].size, PhysicalMemory::k4G);
  EXPECT_EQ(runs[0].address % kPage, 0u);
  // Nobody asked for zeros: fresh pages hold leftovers.
  EXPECT_EQ(sim::PageLists::find(list)->host[100], 0xCD);
  nVLZUK220_tPageList_destroy(list);
  EXPECT_EQ(sim::PageLists::count(), 0u);
  EXPECT_EQ(PhysicalMemory::framesInUse(), 0u);
}

TEST(PageLists, FlagsAskForZerosContiguityAndLowMemory) {
  PhysicalMemory::setPlacement({1, 1, 0});  // every page its own run, all at the top
  const uint64_t zeroedContiguous =
      nVLZUK220_tPageList_createFromAllocation(4, nVLZUK_kPageListZeroed | nVLZUK_kPageListContiguous);
  const uint64_t low = nVLZUK220_tPageList_createFromAllocation(4, nVLZUK_kPageListBelow4G);
  const uint64_t scattered = nVLZUK220_tPageList_createFromAllocation(4, 0);

  EXPECT_EQ(runsOf(zeroedContiguous, 4 * kPage).size(), 1u);
  EXPECT_EQ(sim::PageLists::find(zeroedContiguous)->host[4 * kPage - 1], 0);
  const std::vector<PhysicalRun> lowRuns = runsOf(low, 4 * kPage);
  EXPECT_EQ(lowRuns.size(), 4u);
  for (const PhysicalRun& run : lowRuns) EXPECT_LE(run.address + run.size, PhysicalMemory::k4G);
  const std::vector<PhysicalRun> highRuns = runsOf(scattered, 4 * kPage);
  EXPECT_EQ(highRuns.size(), 4u);
  for (const PhysicalRun& run : highRuns) EXPECT_GT(run.address + run.size, PhysicalMemory::k4G - 2 * kPage);
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

TEST(PageLists, KernelMappingsShowThePagesAndMustBeUndone) {
  const uint64_t list = nVLZUK220_tPageList_createFromAllocation(4, nVLZUK_kPageListZeroed);
  auto* whole = static_cast<uint8_t*>(nVLZUK220_tPageList_mapToKernel(list, 0, 4, kPage));
  auto* third = static_cast<uint8_t*>(nVLZUK220_tPageList_mapOnePageToKernel(list, 2));
  ASSERT_NE(whole, nullptr);
  ASSERT_NE(third, nullptr);
  third[5] = 0x77;
  EXPECT_EQ(whole[2 * kPage + 5], 0x77);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 2u);
  EXPECT_EQ(nVLZUK220_tPageList_mapToKernel(list, 3, 2, kPage), nullptr);  // beyond the list
  EXPECT_EQ(nVLZUK220_tPageList_mapToKernel(list, 0, 1, 8192), nullptr);   // not the page size
  nVLZUK220_tPageList_unmapOnePageFromKernel(list, third);
  nVLZUK220_tPageList_unmapFromKernel(list, whole);
  nVLZUK220_tPageList_unmapFromKernel(list, whole);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 0u);
  EXPECT_EQ(sim::PageLists::strayUnmaps(), 1u);
  sim::PageLists::kernelMappingFaults().failNth(1, 0);
  EXPECT_EQ(nVLZUK220_tPageList_mapToKernel(list, 0, 1, kPage), nullptr);
}

TEST(PhysicalMemoryAccess, DeviceReadsAndWritesByPhysicalAddressAcrossRuns) {
  PhysicalMemory::setPlacement({1, 2, 0});
  const uint64_t list = nVLZUK220_tPageList_createFromAllocation(3, nVLZUK_kPageListZeroed);
  uint8_t* host = sim::PageLists::find(list)->host;
  uint64_t second = 0;
  uint64_t contiguous = 0;
  ASSERT_EQ(nVLZUK220_tPageList_getPhysicalAddress(list, kPage - 2, &second, &contiguous), 0);
  EXPECT_EQ(contiguous, 2u);
  const uint8_t bytes[2] = {0x11, 0x22};
  ASSERT_TRUE(PhysicalMemory::deviceWrite(second, bytes, 2));
  EXPECT_EQ(host[kPage - 2], 0x11);
  EXPECT_EQ(host[kPage - 1], 0x22);
  uint8_t back[2] = {};
  ASSERT_TRUE(PhysicalMemory::deviceRead(second, back, 2));
  EXPECT_EQ(std::memcmp(back, bytes, 2), 0);
  // The next page lies elsewhere: the access runs past the frame into nothing.
  EXPECT_FALSE(PhysicalMemory::deviceRead(second, back, 3));
  EXPECT_EQ(PhysicalMemory::unbackedAccesses(), 1u);
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 0u);
}

}  // namespace
