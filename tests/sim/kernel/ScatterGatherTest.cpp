// The simulated kernel layer's checks on scatter-gather objects: hand-over
// and take-back, and what the device may touch. The driver's transfers
// assert these checks found nothing, so the checks must work.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukDMA.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/PhysicalMemory.h"
#include "sim/kernel/ScatterGather.h"

namespace {

using sim::PhysicalMemory;
using sim::ScatterGather;
constexpr uint64_t kPage = PhysicalMemory::kPageSize;

class ScatterGatherObject : public testing::Test {
 protected:
  void SetUp() override {
    PhysicalMemory::setPlacement({2, 0, 0});  // runs of two pages
    list = nVLZUK220_tPageList_createFromAllocation(6, nVLZUK_kPageListZeroed);
    sgl = nVLZUK220_tSGL_createForPCI(0xABC, 8);
    ASSERT_NE(sgl, 0u);
  }
  uint64_t physical(uint64_t offset) { return sim::PageLists::find(list)->physical[offset / kPage] + offset % kPage; }

  uint64_t list = 0;
  uint64_t sgl = 0;
};

TEST_F(ScatterGatherObject, DeviceMayTouchMappedMemoryOnlyWhileItOwnsIt) {
  ASSERT_EQ(nVLZUK220_tSGL_map(sgl, list, 0, 2 * kPage, 0), 0);
  uint8_t byte = 1;
  EXPECT_TRUE(PhysicalMemory::deviceRead(physical(0), &byte, 1));
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 1u);  // not handed over yet
  nVLZUK220_tSGL_prepareForDMA(sgl);
  EXPECT_TRUE(PhysicalMemory::deviceRead(physical(10), &byte, 1));
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 1u);
  EXPECT_TRUE(PhysicalMemory::deviceWrite(physical(10), &byte, 1));
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 2u);  // mapped for reading only
  nVLZUK220_tSGL_completeDMA(sgl);
  EXPECT_TRUE(PhysicalMemory::deviceRead(physical(10), &byte, 1));
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 3u);  // taken back
  // Memory no object maps is the direct maps' business: not checked.
  EXPECT_TRUE(PhysicalMemory::deviceWrite(physical(3 * kPage), &byte, 1));
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 3u);
}

TEST_F(ScatterGatherObject, HandOverAndTakeBackMustPairUp) {
  nVLZUK220_tSGL_prepareForDMA(sgl);  // nothing mapped
  EXPECT_EQ(ScatterGather::pairingViolations(), 1u);
  ASSERT_EQ(nVLZUK220_tSGL_map(sgl, list, 0, kPage, 1), 0);
  nVLZUK220_tSGL_completeDMA(sgl);  // never handed over
  EXPECT_EQ(ScatterGather::pairingViolations(), 2u);
  nVLZUK220_tSGL_prepareForDMA(sgl);
  nVLZUK220_tSGL_prepareForDMA(sgl);
  EXPECT_EQ(ScatterGather::repeatedPrepares(), 1u);
  nVLZUK220_tSGL_completeDMA(sgl);
  EXPECT_EQ(ScatterGather::pairingViolations(), 2u);
  uint8_t byte = 0;
  nVLZUK220_tSGL_prepareForDMA(sgl);
  nVLZUK220_tSGL_unmap(sgl);  // unmapping takes the memory back
  EXPECT_TRUE(PhysicalMemory::deviceWrite(physical(0), &byte, 1));
  EXPECT_EQ(PhysicalMemory::ownershipViolations(), 0u);
  nVLZUK220_tSGL_destroy(sgl);
  nVLZUK220_tSGL_destroy(0);
  EXPECT_EQ(ScatterGather::count(), 0u);
}

}  // namespace
