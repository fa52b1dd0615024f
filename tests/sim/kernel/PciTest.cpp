// The kernel layer's PCI side as the driver calls it: configuration space
// of a plugged function, DMA masks, the domain and NUMA node, the bus tree
// and kernel mappings of lent physical ranges.
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

TEST_F(KernelPci, ConfigurationAccessesReachTheFunctionInEveryWidth) {
  const uint64_t handle = plug();
  ASSERT_EQ(nVLZUK100_pciConfigWrite32(handle, 0x10, 0x11223344u), 0);
  ASSERT_EQ(nVLZUK100_pciConfigWrite16(handle, 0x14, 0xBEEF), 0);
  ASSERT_EQ(nVLZUK100_pciConfigWrite8(handle, 0x16, 0x5A), 0);
  uint32_t word = 0;
  uint16_t half = 0;
  uint8_t byte = 0;
  EXPECT_EQ(nVLZUK100_pciConfigRead32(handle, 0x14, &word), 0);
  EXPECT_EQ(word, 0x005ABEEFu);
  EXPECT_EQ(nVLZUK100_pciConfigRead16(handle, 0x12, &half), 0);
  EXPECT_EQ(half, 0x1122);
  EXPECT_EQ(nVLZUK100_pciConfigRead8(handle, 0x10, &byte), 0);
  EXPECT_EQ(byte, 0x44);
}

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

TEST_F(KernelPci, ArmedFaultsFailTheNthReadOrWrite) {
  const uint64_t handle = plug();
  uint8_t byte = 0;
  sim::Pci::configReadFaults().failNth(2, -51202);
  EXPECT_EQ(nVLZUK100_pciConfigRead8(handle, 0, &byte), 0);
  EXPECT_EQ(nVLZUK100_pciConfigRead8(handle, 0, &byte), -51202);
  EXPECT_EQ(nVLZUK100_pciConfigRead8(handle, 0, &byte), 0);
  sim::Pci::configWriteFaults().failNth(1, -51009);
  EXPECT_EQ(nVLZUK100_pciConfigWrite8(handle, 0, 7), -51009);
  EXPECT_EQ(function.bytes[0], 0) << "a failed write changes nothing";
}

TEST_F(KernelPci, DmaMaskWiderThanThePlatformReachIsRefused) {
  sim::PciPlacement placement;
  placement.dmaAddressBits = 32;
  const uint64_t handle = plug(placement);
  EXPECT_EQ(nVLZUK220_pciSetDMAMask(handle, ~uint64_t{0}), sim::Pci::kMaskRefused);
  EXPECT_FALSE(sim::Pci::dmaMask(handle).has_value());
  EXPECT_EQ(nVLZUK220_pciSetDMAMask(handle, 0xFFFFFFFFu), 0);
  EXPECT_EQ(sim::Pci::dmaMask(handle), 0xFFFFFFFFu);
}

TEST_F(KernelPci, DomainAndNumaNodeComeFromThePlacement) {
  sim::PciPlacement placement;
  placement.domain = 3;
  placement.numaNode = -1;
  const uint64_t handle = plug(placement);
  EXPECT_EQ(nVLZUK240_getPCIDomain(handle), 3);
  EXPECT_EQ(nVLZUK1_getDeviceNUMANode(handle), -1);
  sim::Pci::domainFaults().failNth(1, -51202);
  EXPECT_EQ(nVLZUK240_getPCIDomain(handle), -51202);
}

int32_t collect(const nVLZUK_tPCIBus* bus, void* context) {
  auto& seen = *static_cast<std::vector<uint8_t>*>(context);
  seen.push_back(bus->secondary);
  return seen.size() == 3 ? 1 : 0;
}

TEST_F(KernelPci, EnumerationVisitsTheTreeDepthFirstUntilTheVisitorStops) {
  std::vector<uint8_t> seen;
  EXPECT_EQ(nVLZUK100_enumeratePCIBuses(&collect, &seen), 0);
  EXPECT_EQ(seen, (std::vector<uint8_t>{0, 1, 2}));

  const std::vector<nVLZUK_tPCIBus> chassis = sim::Pci::chassisBuses();
  for (size_t i = 1; i < chassis.size(); ++i) {
    const nVLZUK_tPCIBus& bus = chassis[i];
    bool parentFound = false;
    for (size_t j = 0; j < i; ++j) {
      parentFound |= chassis[j].secondary == bus.primary && chassis[j].subordinate >= bus.subordinate;
    }
    EXPECT_TRUE(parentFound) << "bus " << int(bus.secondary) << " comes after the bus above it";
  }
  sim::Pci::enumerationFaults().failNth(1, -51202);
  EXPECT_EQ(nVLZUK100_enumeratePCIBuses(&collect, &seen), -51202);
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
