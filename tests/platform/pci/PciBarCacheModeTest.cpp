// Whole-window BAR mappings take one cache mode whatever the caller names,
// so that the unmap always matches the map.
#include <gtest/gtest.h>

#include "PciTestDevice.h"
#include "sim/kernel/Pci.h"

namespace {

using nVLAPAL000::tPCIDevice;

TEST(PciBarCacheMode, WholeWindowIsMappedAndUnmappedWriteCombinedWhateverTheCallerNames) {
  vltest::PciTestBoard plugged;
  for (uint32_t mode : {tPCIDevice::kCacheModeUncached, tPCIDevice::kCacheModeCached, 7u}) {
    nVLAPALS100::tStatus status;
    void* address = plugged.device().mapBAR(0, status, mode);
    ASSERT_NE(address, nullptr) << mode;
    ASSERT_EQ(sim::Pci::kernelMappings().size(), 1u);
    EXPECT_EQ(sim::Pci::kernelMappings()[0].cacheMode, tPCIDevice::kCacheModeWriteCombined) << mode;
    plugged.device().unmapBAR(address, mode);
    EXPECT_TRUE(sim::Pci::kernelMappings().empty()) << mode;
  }
  EXPECT_EQ(sim::Pci::strayUnmaps(), 0u);
}

}  // namespace
