// The kernel layer's PCI side where the PCI device's whole-road tests do
// not reach: configuration accesses it refuses, and kernel mappings of
// lent physical ranges with the checks that catch a wrong unmap.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/platform/zuk/ZukPci.h"
#include "sim/kernel/Pci.h"

namespace {

// A function whose configuration space is 256 plain bytes.
class PlainFunction : public sim::PciFunction {
 public:
  bool configRead(uint32_t offset, unsigned width, uint32_t& value) override {
    if (offset + width > sizeof bytes) return false;
    value = 0;
    std::memcpy(&value, bytes + offset, width);
    return true;
  }
  bool configWrite(uint32_t offset, unsigned width, uint32_t value) override {
    if (offset + width > sizeof bytes) return false;
    std::memcpy(bytes + offset, &value, width);
    return true;
  }
  uint8_t bytes[256] = {};
};

class KernelPci : public testing::Test {
 protected:
  uint64_t plug(const sim::PciPlacement& placement = {}) { return sim::Pci::plug(function, placement); }
  PlainFunction function;
};

TEST_F(KernelPci, AccessesFailBeyondTheSpaceMisalignedOrOnAnUnknownHandle) {
  const uint64_t handle = plug();
  uint32_t word = 0;
  uint16_t half = 0;
  EXPECT_EQ(nVLZUK100_pciConfigRead32(handle, 0x100, &word), sim::Pci::kConfigAccessFailed);
  EXPECT_EQ(nVLZUK100_pciConfigRead16(handle, 0x11, &half), sim::Pci::kConfigAccessFailed);
  EXPECT_EQ(nVLZUK100_pciConfigWrite32(handle, 0x02, 1), sim::Pci::kConfigAccessFailed);
  EXPECT_EQ(nVLZUK100_pciConfigRead32(handle + 1, 0, &word), sim::Pci::kNoSuchFunction);
  sim::Pci::unplug(handle);
  EXPECT_EQ(nVLZUK100_pciConfigRead32(handle, 0, &word), sim::Pci::kNoSuchFunction);
}

TEST_F(KernelPci, KernelMappingsResolveToTheLentMemory) {
  std::vector<uint8_t> memory(0x10000);
  const uint64_t physical = sim::Pci::lendPhysical(memory.data(), memory.size());
  EXPECT_EQ(physical % 0x10000, 0u) << "aligned to its size, as a BAR is";

  void* whole = nVLZUK230_mapPhysicalToKernel(physical, 0x10000, 1);
  void* part = nVLZUK230_mapPhysicalToKernel(physical + 0x2000, 0x1000, 0);
  EXPECT_EQ(whole, memory.data());
  EXPECT_EQ(part, memory.data() + 0x2000);
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical + 0x8000, 0x9000, 0), nullptr) << "runs past the range";
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical, 0, 0), nullptr);
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical - 0x1000, 0x1000, 0), nullptr);
  ASSERT_EQ(sim::Pci::kernelMappings().size(), 2u);
  EXPECT_EQ(sim::Pci::kernelMappings()[1].cacheMode, 0u);

  nVLZUK230_unmapPhysicalFromKernel(part, 0);
  nVLZUK230_unmapPhysicalFromKernel(whole, 1);
  EXPECT_TRUE(sim::Pci::kernelMappings().empty());
  nVLZUK230_unmapPhysicalFromKernel(whole, 1);
  EXPECT_EQ(sim::Pci::strayUnmaps(), 1u);

  sim::Pci::kernelMappingFaults().failNth(1, 0);
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical, 0x10000, 1), nullptr);
  sim::Pci::returnPhysical(physical);
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical, 0x10000, 1), nullptr) << "returned ranges map no more";
}

}  // namespace
