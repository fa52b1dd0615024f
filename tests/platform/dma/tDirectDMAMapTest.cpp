// DMA maps built from physical addresses, with bounce buffers below 4 GiB
// for devices limited to 32-bit addresses. Whole transfers through these
// maps are the DMA transfer tests' business, and so is which runs bounce:
// their 32-bit channel refuses any address above 4 GiB.
#include <gtest/gtest.h>

#include <optional>

#include "DmaTestSupport.h"
#include "driver/platform/dma/tDirectDMAMap.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/PhysicalMemory.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tDirectDMAMap;
using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tPageList;
using nVLAPALS100::tStatus;
using sim::PhysicalMemory;
constexpr uint64_t kPage = 4096;

// What a device writes through the map's segments, in order.
void deviceScatter(tDirectDMAMap& map, const std::vector<uint8_t>& bytes) {
  uint64_t at = 0;
  for (const nVLAPAL000::tSGLSegment& segment : vltest::segmentsOf(map)) {
    EXPECT_TRUE(PhysicalMemory::deviceWrite(segment.busAddress, bytes.data() + at, segment.size));
    at += segment.size;
  }
}

class DirectDMAMap : public testing::Test {
 protected:
  // Six pages, each its own run, every second one above 4 GiB.
  void allocate() {
    PhysicalMemory::setPlacement({1, 2, 0});
    tStatus status;
    wide.configuration.allocateDMABuffer(buffer, 6 * kPage, 0, status, 8);
    ASSERT_TRUE(status.isNotFatal());
  }
  // A map, for a device of `type`, of [offset, offset + size) of the six pages.
  tDirectDMAMap& mapped(tDMAConfiguration::tDMAType type, uint64_t offset, uint64_t size,
                        uint32_t direction = nVLAPAL000::kDMADeviceReads) {
    if (buffer.handle == 0) allocate();
    dma.emplace(type);
    map.emplace(dma->configuration);
    tStatus status;
    map->map(buffer, offset, size, direction, status);
    EXPECT_TRUE(status.isNotFatal());
    return *map;
  }
  void TearDown() override {
    map.reset();
    wide.configuration.freeDMABuffer(buffer);
  }

  // Buffers anywhere, as a 64-bit device may take them.
  const vltest::ConfiguredDMA wide{tDMAConfiguration::kDMAType64Bit};
  tPageList buffer{};
  std::optional<vltest::ConfiguredDMA> dma;
  std::optional<tDirectDMAMap> map;
};

TEST_F(DirectDMAMap, BounceMapCopiesBackWhatTheDeviceWroteUpToTheByteCount) {
  allocate();
  std::memset(vltest::hostBytes(buffer.handle), 0, 6 * kPage);
  const std::vector<uint8_t> data = vltest::pattern(5 * kPage, 2);
  tDirectDMAMap& map = mapped(tDMAConfiguration::kDMAType32Bit, kPage / 2, data.size(), nVLAPAL000::kDMADeviceWrites);
  map.prepareForDMA();
  deviceScatter(map, data);
  const uint64_t transferred = 3 * kPage + 10;
  map.completeDMA(transferred);
  const uint8_t* host = vltest::hostBytes(buffer.handle, kPage / 2);
  EXPECT_EQ(std::vector<uint8_t>(host, host + transferred),
            std::vector<uint8_t>(data.begin(), data.begin() + transferred));
  // Bytes past the count that went through bounce pages stay behind.
  const uint64_t bouncedLater = 5 * kPage - kPage / 2;  // inside page 5, a high page
  EXPECT_EQ(host[bouncedLater], 0);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 1u);
}

TEST_F(DirectDMAMap, AdjacentHighRunsMergeIntoOneRecord) {
  vltest::ConfiguredDMA dma(tDMAConfiguration::kDMAType32Bit);
  PhysicalMemory::setPlacement({2, 1, 0});  // runs of two pages, all at the top
  tStatus status;
  dma.configuration.allocateDMABuffer(buffer, 4 * kPage, 0, status, 8);  // flag 2: low after all
  tPageList high{};
  wide.configuration.allocateDMABuffer(high, 4 * kPage, 0, status, 8);
  ASSERT_TRUE(status.isNotFatal());
  tDirectDMAMap lowMap(dma.configuration);
  lowMap.map(buffer, 0, 4 * kPage, nVLAPAL000::kDMADeviceReads, status);
  EXPECT_EQ(lowMap.getBounceCount(), 0u);
  tDirectDMAMap highMap(dma.configuration);
  highMap.map(high, 10, 4 * kPage - 20, nVLAPAL000::kDMADeviceReads, status);
  ASSERT_TRUE(status.isNotFatal());
  ASSERT_EQ(highMap.getBounceCount(), 1u);
  EXPECT_EQ(highMap.getBounceRecords()[0].offset, 0u);
  EXPECT_EQ(highMap.getBounceRecords()[0].length, 4 * kPage - 20);
  EXPECT_EQ(highMap.getBounceBuffer().size, 4 * kPage);
  wide.configuration.freeDMABuffer(high);
}

TEST_F(DirectDMAMap, NoBouncingOnAMachineWithoutHighMemory) {
  PhysicalMemory::setMemoryAbove4G(false);
  tDirectDMAMap& map = mapped(tDMAConfiguration::kDMAType32Bit, 0, 6 * kPage);
  EXPECT_EQ(map.getBounceCount(), 0u);
  EXPECT_EQ(map.numSGLSegments(), 6u);  // every page its own run, all low
}

TEST_F(DirectDMAMap, BounceBufferIsKeptForSmallerMapsAndReleaseFreesEverything) {
  {
    tDirectDMAMap& map = mapped(tDMAConfiguration::kDMAType32Bit, 0, 6 * kPage);
    tStatus status;
    const uint64_t bounce = map.getBounceBuffer().handle;
    map.unmap();
    map.map(buffer, kPage, kPage, nVLAPAL000::kDMADeviceReads, status);
    ASSERT_TRUE(status.isNotFatal());
    EXPECT_EQ(map.getBounceBuffer().handle, bounce);
    EXPECT_EQ(map.getBounceCount(), 1u);
    map.release();
    EXPECT_EQ(map.getBounceBuffer().handle, 0u);
    EXPECT_EQ(map.numSGLSegments(), 0u);
    map.map(buffer, 0, 6 * kPage, nVLAPAL000::kDMADeviceReads, status);
    ASSERT_TRUE(status.isNotFatal());
    this->map.reset();
  }
  EXPECT_EQ(sim::PageLists::count(), 1u);  // the mapped buffer itself
  EXPECT_EQ(sim::PageLists::kernelMappings(), 0u);
}

TEST_F(DirectDMAMap, FailuresLeaveTheMapUnmapped) {
  allocate();
  vltest::ConfiguredDMA dma(tDMAConfiguration::kDMAType32Bit);
  tDirectDMAMap map(dma.configuration);
  const auto mapped = [&](tDirectDMAMap& into, uint64_t offset, uint64_t size) {
    return vltest::codeAfter([&](tStatus& s) { into.map(buffer, offset, size, nVLAPAL000::kDMADeviceReads, s); });
  };
  sim::PageLists::kernelMappingFaults().failNth(1, 0);
  EXPECT_EQ(mapped(map, 0, 6 * kPage), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(map.getSize(), 0u);
  EXPECT_EQ(map.numSGLSegments(), 0u);
  EXPECT_EQ(map.getBounceBuffer().handle, 0u);
  EXPECT_EQ(mapped(map, 6 * kPage, 1), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(map.getSize(), 0u);
  tDirectDMAMap fresh(dma.configuration);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(mapped(fresh, 0, kPage), nVLAPALS100::kStatusOutOfMemory);
}

}  // namespace
