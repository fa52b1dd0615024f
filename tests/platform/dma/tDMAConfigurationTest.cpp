// DMA buffer allocation as the device's DMA configuration does it.
#include <gtest/gtest.h>

#include "DmaTestSupport.h"
#include "driver/platform/dma/tDMAConfiguration.h"
#include "driver/platform/dma/tStandardDMAMap.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tPageList;
using nVLAPALS100::tStatus;
using vltest::ConfiguredDMA;

struct FlagsCase {
  tDMAConfiguration::tDMAType type;
  uint32_t requested;
  uint32_t allocated;
};

class DMAConfigurationFlags : public testing::TestWithParam<FlagsCase> {};

TEST_P(DMAConfigurationFlags, ThirtyTwoBitDevicesAskForLowMemory) {
  ConfiguredDMA dma(GetParam().type);
  tPageList buffer{};
  tStatus status;
  dma.configuration.allocateDMABuffer(buffer, 100, GetParam().requested, status, 8);
  ASSERT_TRUE(status.isNotFatal());
  EXPECT_EQ(sim::PageLists::find(buffer.handle)->flags, GetParam().allocated);
}

INSTANTIATE_TEST_SUITE_P(Types, DMAConfigurationFlags,
                         testing::Values(FlagsCase{tDMAConfiguration::kDMAType32Bit, 4, 6},
                                         FlagsCase{tDMAConfiguration::kDMAType32Bit, 5, 7},
                                         FlagsCase{tDMAConfiguration::kDMAType64Bit, 4, 4},
                                         FlagsCase{tDMAConfiguration::kDMAType64Bit, 5, 5}));

TEST(DMAConfiguration, BuffersAreWholePagesAndFreeingForgetsThem) {
  ConfiguredDMA dma(tDMAConfiguration::kDMAType64Bit);
  tStatus status;
  for (const auto& [size, pages] : {std::pair<uint64_t, uint64_t>{100, 1}, {4096, 1}, {4097, 2}, {12288, 3}}) {
    tPageList buffer{};
    dma.configuration.allocateDMABuffer(buffer, size, 0, status, 512);
    ASSERT_TRUE(status.isNotFatal());
    EXPECT_EQ(buffer.size, pages * 4096) << size;
    EXPECT_EQ(buffer.offset, 0u);
    EXPECT_EQ(sim::PageLists::find(buffer.handle)->pageCount, pages);
    dma.configuration.freeDMABuffer(buffer);
    EXPECT_EQ(buffer.handle, 0u);
    EXPECT_EQ(buffer.size, 0u);
  }
  EXPECT_EQ(sim::PageLists::count(), 0u);
}

// Without a DMA type, with an alignment whole pages cannot give (on a
// node or not), or with no pages left, nothing is allocated.
TEST(DMAConfiguration, RefusedAllocationsLeaveNoPages) {
  const tDMAConfiguration unconfigured;
  const ConfiguredDMA onNode(tDMAConfiguration::kDMAType64Bit, 2), anywhere(tDMAConfiguration::kDMAType64Bit);
  const struct {
    const tDMAConfiguration& configuration;
    uint64_t alignment;
    bool noPages;
    int64_t code;
  } cases[] = {{unconfigured, 8, false, nVLAPALS100::kStatusNotSupported},
               {onNode.configuration, 8192, false, nVLAPALS100::kStatusInvalidParameter},
               {onNode.configuration, 3000, false, nVLAPALS100::kStatusInvalidParameter},
               {anywhere.configuration, 8192, false, nVLAPALS100::kStatusInvalidParameter},
               {anywhere.configuration, 3000, false, nVLAPALS100::kStatusInvalidParameter},
               {anywhere.configuration, 8, true, nVLAPALS100::kStatusOutOfMemory}};
  for (const auto& c : cases) {
    if (c.noPages) sim::PageLists::allocationFaults().failNth(1, 0);
    tPageList buffer{};
    tStatus status;
    c.configuration.allocateDMABuffer(buffer, 4096, 0, status, c.alignment);
    EXPECT_EQ(status.getCode(), c.code) << c.alignment;
    c.configuration.allocateDMABuffer(buffer, 4096, 0, status, 8);  // an earlier error stops it
    EXPECT_EQ(buffer.handle, 0u);
  }
  EXPECT_EQ(sim::PageLists::count(), 0u);
}

TEST(DMAConfiguration, PciDeviceBuffersLieOnItsNodeAndItsMapsAreMadeForIt) {
  sim::BoardOptions options;
  options.placement.numaNode = 1;
  options.placement.dmaAddressBits = 32;
  vltest::PciTestBoard plugged(options);
  tStatus status;
  plugged.device().configureDMA(tDMAConfiguration::kDMAType64Bit, status);
  const tDMAConfiguration& dma = plugged.device().getDMAConfiguration();
  EXPECT_EQ(dma.getType(), tDMAConfiguration::kDMAType32Bit);  // the platform refused 64 bits
  tPageList buffer{};
  dma.allocateDMABuffer(buffer, 4096, 4, status, 8);
  ASSERT_TRUE(status.isNotFatal());
  EXPECT_EQ(sim::PageLists::find(buffer.handle)->numaNode, 1u);
  EXPECT_EQ(sim::PageLists::find(buffer.handle)->flags, 6u);
  nVLAPAL000::tStandardDMAMap map(dma);
  map.map(buffer, 0, 4096, nVLAPAL000::kDMADeviceReads, status);
  EXPECT_EQ(sim::ScatterGather::find(sim::ScatterGather::handles().at(0))->pciHandle, plugged.board().pciHandle());
  map.unmap();
  dma.freeDMABuffer(buffer);
}

}  // namespace
