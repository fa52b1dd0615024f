// DMA maps made by the kernel layer's scatter-gather objects.
#include <gtest/gtest.h>

#include "DmaTestSupport.h"
#include "driver/platform/dma/tStandardDMAMap.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tPageList;
using nVLAPAL000::tSGLSegment;
using nVLAPAL000::tStandardDMAMap;
using nVLAPALS100::tStatus;
using sim::ScatterGather;
constexpr uint64_t kPage = 4096;

class StandardDMAMap : public testing::Test {
 protected:
  tStatus status;
  void SetUp() override {
    sim::PhysicalMemory::setPlacement({1, 0, 0});  // every page its own run
    tStatus status;
    dma.configuration.allocateDMABuffer(buffer, 4 * kPage, 0, status, 8);
    ASSERT_TRUE(status.isNotFatal());
  }
  void TearDown() override { dma.configuration.freeDMABuffer(buffer); }

  uint64_t onlyObject() {
    const std::vector<uint64_t> handles = ScatterGather::handles();
    EXPECT_EQ(handles.size(), 1u);
    return handles.empty() ? 0 : handles[0];
  }
  uint64_t physical(uint64_t offset) {
    return sim::PageLists::find(buffer.handle)->physical[offset / kPage] + offset % kPage;
  }

  vltest::ConfiguredDMA dma{nVLAPAL000::tDMAConfiguration::kDMAType64Bit};
  tPageList buffer{};
};

TEST_F(StandardDMAMap, ReserveCountsOneSegmentPerPagePlusOne) {
  tStandardDMAMap map(dma.configuration);
  const std::pair<uint64_t, uint64_t> cases[] = {{0, 0}, {1, 1}, {4096, 2}, {8192, 3}, {8193, 4}};
  for (const auto& [size, segments] : cases) {
    tStandardDMAMap fresh(dma.configuration);
    fresh.reserve(size, status);
    EXPECT_EQ(fresh.getReservedSegments(), segments) << size;
  }
  ASSERT_TRUE(status.isNotFatal());
  map.reserve(8192, status);
  EXPECT_EQ(ScatterGather::find(onlyObject())->maxSegments, 3u);
  EXPECT_EQ(ScatterGather::find(onlyObject())->pciHandle, vltest::ConfiguredDMA::kHandle);
}

TEST_F(StandardDMAMap, ASmallerSecondMapReusesTheObjectAndALargerOneReplacesIt) {
  tStandardDMAMap map(dma.configuration);
  map.map(buffer, 0, 3 * kPage, nVLAPAL000::kDMADeviceReads, status);
  const uint64_t first = onlyObject();
  map.unmap();
  map.map(buffer, 0, kPage, nVLAPAL000::kDMADeviceReads, status);
  EXPECT_EQ(onlyObject(), first);
  map.unmap();
  map.map(buffer, 0, 4 * kPage, nVLAPAL000::kDMADeviceReads, status);
  ASSERT_TRUE(status.isNotFatal());
  EXPECT_NE(onlyObject(), first);
  EXPECT_EQ(map.getReservedSegments(), 5u);
  map.release();
  EXPECT_EQ(ScatterGather::count(), 0u);
  EXPECT_EQ(map.getReservedSegments(), 0u);
}

TEST_F(StandardDMAMap, MapsTheRegionFromTheBuffersOffsetInTheDirectionAsked) {
  tStandardDMAMap map(dma.configuration);
  tPageList shifted = buffer;
  shifted.offset = 16;
  map.map(shifted, kPage - 16 + 100, kPage, nVLAPAL000::kDMADeviceWrites, status);
  ASSERT_TRUE(status.isNotFatal());
  EXPECT_EQ(map.getSize(), kPage);
  EXPECT_TRUE(ScatterGather::find(onlyObject())->deviceWrites);
  const std::vector<tSGLSegment> segments = vltest::segmentsOf(map);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0].busAddress, physical(kPage + 100));
  EXPECT_EQ(segments[0].size, kPage - 100);
  EXPECT_EQ(segments[1].busAddress, physical(2 * kPage));
  EXPECT_EQ(segments[1].size, 100u);
  EXPECT_FALSE(map.moreSGLSegments());
  const tSGLSegment past = map.nextSGLSegment();
  EXPECT_EQ(past.busAddress, 0u);
  EXPECT_EQ(past.size, 0u);
  EXPECT_EQ(map.numSGLSegments(), 2u);
}

TEST_F(StandardDMAMap, RefusedMappingIsTranslatedAndLeavesTheMapUnmapped) {
  tStandardDMAMap map(dma.configuration);
  ScatterGather::mappingFaults().failNth(1, -51352);
  map.map(buffer, 0, kPage, nVLAPAL000::kDMADeviceReads, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(map.getSize(), 0u);
  EXPECT_FALSE(ScatterGather::find(onlyObject())->mapped);

  EXPECT_EQ(
      vltest::codeAfter([&](tStatus& s) { map.map(buffer, 3 * kPage, 2 * kPage, nVLAPAL000::kDMADeviceReads, s); }),
      nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(map.getSize(), 0u);
}

TEST_F(StandardDMAMap, NoObjectForALargerRegionKeepsTheOldOne) {
  tStandardDMAMap map(dma.configuration);
  map.reserve(kPage, status);
  const uint64_t first = onlyObject();
  ScatterGather::creationFaults().failNth(1, 0);
  map.map(buffer, 0, 4 * kPage, nVLAPAL000::kDMADeviceReads, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(onlyObject(), first);
  EXPECT_EQ(map.getReservedSegments(), 2u);
}

TEST_F(StandardDMAMap, HandsTheMemoryOverAndTakesItBackOnlyForATransfer) {
  tStandardDMAMap map(dma.configuration);
  map.map(buffer, 0, kPage, nVLAPAL000::kDMADeviceWrites, status);
  map.prepareForDMA();
  EXPECT_TRUE(ScatterGather::find(onlyObject())->handedOver);
  map.completeDMA(0);  // nothing moved: the device keeps it
  EXPECT_TRUE(ScatterGather::find(onlyObject())->handedOver);
  map.completeDMA(10);
  EXPECT_FALSE(ScatterGather::find(onlyObject())->handedOver);
  EXPECT_EQ(ScatterGather::pairingViolations(), 0u);
  map.unmap();
  map.completeDMA(10);  // an object that maps nothing is the kernel's to judge
  EXPECT_EQ(ScatterGather::pairingViolations(), 1u);
}

TEST_F(StandardDMAMap, WithoutAnObjectEverythingIsEmptyAndDestructionFreesIt) {
  {
    tStandardDMAMap map(dma.configuration);
    EXPECT_EQ(map.numSGLSegments(), 0u);
    EXPECT_FALSE(map.moreSGLSegments());
    EXPECT_EQ(map.nextSGLSegment().size, 0u);
    map.prepareForDMA();
    map.completeDMA(1);
    map.unmap();
    tStatus status;
    map.map(buffer, 0, kPage, 0, status);
    EXPECT_EQ(ScatterGather::count(), 1u);
  }
  EXPECT_EQ(ScatterGather::count(), 0u);
}

}  // namespace
