// tPCIDevice the whole road: a board model plugged into the simulated
// kernel layer, the device built from its description, started and its
// PCI properties published; then the capability search, DMA mask, BAR
// mappings and the device's bus tree place.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PciTestDevice.h"
#include "driver/platform/device/tUserMemoryMap.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/pci/PciSites.h"
#include "sim/kernel/Pci.h"
#include "sim/kernel/UserMaps.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tPCIDevice;
using nVLAPALS100::tStatus;
using sim::BoardOptions;
using vltest::codeAfter;
using vltest::PciTestBoard;
using vltest::propertyU32;
using vltest::Site;
using vltest::siteOf;
using vltest::statusAfter;

BoardOptions distinctOptions() {
  BoardOptions options;
  options.revision = 3;
  options.placement.bus = 5;
  options.placement.device = 2;
  options.placement.function = 1;
  options.placement.numaNode = 1;
  options.linkWidth = 4;
  options.maxLinkWidth = 8;
  options.linkSpeed = 2;
  options.maxLinkSpeed = 3;
  return options;
}

TEST(PciDeviceProperties, ExpressBoardPublishesSixteenWithTheirValues) {
  const BoardOptions options = distinctOptions();
  PciTestBoard plugged(options);
  ASSERT_EQ(plugged.plugStatus(), 0);
  EXPECT_EQ(plugged.publishedPropertyCount(), 16u);

  const std::pair<const char*, uint32_t> expected[] = {{"busType", 0x20706369u},
                                                       {"busSubType", 0x70636965u},
                                                       {"pciBusNumber", options.placement.bus},
                                                       {"pciDeviceNumber", options.placement.device},
                                                       {"pciFunctionNumber", options.placement.function},
                                                       {"pciVendorID", 0x1E7Bu},
                                                       {"pciDeviceID", 0xB6B6u},
                                                       {"pciSubsystemVendorID", 0x1E7Bu},
                                                       {"pciSubsystemID", 0x5B31u},
                                                       {"pciRevision", options.revision},
                                                       {"numaNode", static_cast<uint32_t>(options.placement.numaNode)},
                                                       {"pcieMaxLinkWidth", options.maxLinkWidth},
                                                       {"pcieLinkWidth", options.linkWidth},
                                                       {"pcieMaxTransferRate", options.maxLinkSpeed},
                                                       {"pcieTransferRate", options.linkSpeed}};
  for (const auto& [name, value] : expected) {
    const auto property = plugged.property(name);
    ASSERT_TRUE(property.has_value()) << name;
    EXPECT_EQ(property->value.size(), 4u) << name;
    EXPECT_EQ(propertyU32(*property), value) << name;
  }
  const auto path = plugged.property("pciSlotPath");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(vltest::propertyText(*path), plugged.device().getSlotPath());
}

// The link properties follow the link found: a capability behind the
// bridge's signature still gives one; no capability, a link of width 0 or
// a failed read while searching give none, and no error.
TEST(PciDeviceProperties, TheLinkPropertiesFollowTheLinkFound) {
  using Capabilities = BoardOptions::PciCapabilities;
  const struct {
    const char* what;
    Capabilities capabilities;
    uint32_t linkWidth;
    bool readFault;
    bool express;
  } cases[] = {{"behind the signature", Capabilities::BehindSignature, 4, false, true},
               {"plain function", Capabilities::None, 4, false, false},
               {"link of width 0", Capabilities::Listed, 0, false, false},
               {"failed read", Capabilities::Listed, 4, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BoardOptions options = distinctOptions();
    options.pciCapabilities = c.capabilities;
    options.linkWidth = c.linkWidth;
    if (c.readFault) sim::Pci::configReadFaults().failNth(1, -51202);
    PciTestBoard plugged(options);
    ASSERT_EQ(plugged.plugStatus(), 0);
    EXPECT_EQ(plugged.device().isPCIExpress(), c.express);
    EXPECT_EQ(plugged.publishedPropertyCount(), c.express ? 16u : 12u);
    EXPECT_EQ(propertyU32(*plugged.property("busSubType")), c.express ? 0x70636965u : 0x20706369u);
    EXPECT_EQ(propertyU32(plugged.property("pcieLinkWidth").value_or(sim::DeviceRegistry::Property{})),
              c.express ? c.linkWidth : 0u);
    if (c.capabilities != Capabilities::None) continue;
    EXPECT_EQ(plugged.device().getMaxLinkWidth(), 0);
    // The search tried the bridge's signature before it gave up.
    const std::vector<sim::BusAccess> traffic = plugged.board().config().traffic();
    const sim::BusAccess signature{sim::BusAccess::Kind::Write, 0, 2, 0x5A5A};
    EXPECT_NE(std::find(traffic.begin(), traffic.end(), signature), traffic.end());
  }
}

// The slot path names the domain, the root complex, each bridge on the way
// and the device itself.
// A domain the kernel layer cannot tell counts as domain 0.
TEST(PciDeviceSlotPath, FollowsTheChassisTreeToTheDevice) {
  sim::Pci::domainFaults().failNth(1, -51202);
  PciTestBoard plugged;  // bus 4, device 0, behind 00:1C.0, 01:00.0 and 02:09.0
  EXPECT_STREQ(plugged.device().getSlotPath(), "0000:01:E0:00:48:00");
  BoardOptions options;
  options.placement.bus = 0;
  options.placement.device = 3;
  PciTestBoard onRoot(options);
  EXPECT_STREQ(onRoot.device().getSlotPath(), "0000:01:18") << "a device on a root bus has no bridges";
}

TEST(PciDeviceSlotPath, CountsRootsAndSkipsOtherDomainsAndSiblings) {
  sim::Pci::setBuses({
      {0, 1, 0, 0, 0x7F, 0, 0},     // root, domain 0
      {0, 0, 0, 1, 0x10, 0x08, 0},  // 00:01.0
      {2, 1, 0, 0x80, 0xFF, 0, 0},  // root, domain 2
      {2, 0, 0x80, 0x81, 0x81, 0x10, 0},
      {2, 0, 0x80, 0x82, 0x90, 0x18, 0},  // 80:03.0 -> 82..90
      {2, 0, 0x82, 0x83, 0x83, 0x20, 0},  // 82:04.0 -> 83
      {2, 0, 0x82, 0x84, 0x84, 0x28, 0},  // the device's bridge
      {2, 0, 0x82, 0x85, 0x85, 0x30, 0},  // past the device: not reached
  });
  BoardOptions options;
  options.placement.domain = 2;
  options.placement.bus = 0x84;
  options.placement.device = 0x1F;
  options.placement.function = 7;
  PciTestBoard plugged(options);
  EXPECT_STREQ(plugged.device().getSlotPath(), "0002:02:18:28:FF");
}

TEST(PciDeviceSlotPath, NoTreeGivesNoPath) {
  sim::Pci::enumerationFaults().failNth(1, -51202);
  PciTestBoard plugged;
  EXPECT_EQ(plugged.plugStatus(), 0);
  EXPECT_STREQ(plugged.device().getSlotPath(), "");
  const auto path = plugged.property("pciSlotPath");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->value, std::vector<uint8_t>{0});
}

// Every allocation of plugging a device in may fail; each failure leaves
// the status at -52000 and nothing behind.
TEST(PciDeviceSlotPath, AllocationFailuresFailThePlugCleanly) {
  sim::Board board;
  const nVLAPAL000::tPCIInformation information = vltest::pciInformationFor(board.description());
  auto scenario = [&information] {
    tStatus status;
    auto* device = new (status, nVLAPAL000::kAllocationKindPlain) vltest::PciTestDevice(information, status);
    if (device == nullptr) return status.getCode() == nVLAPALS100::kStatusOutOfMemory ? 0 : 1;
    device->startBus(0, status);
    device->buildProperties();
    device->registerPCIProperties(status);
    const bool sound = status.isNotFatal() || status.getCode() == nVLAPALS100::kStatusOutOfMemory;
    const bool pathIntact = status.isFatal() || std::strlen(device->getSlotPath()) != 0;
    nVLAPAL000::tDevice::onRemoveDevice(device);
    nVLAPAL000::tDevice::onDeleteDevice(device);
    return sound && pathIntact ? 0 : 1;
  };
  ASSERT_EQ(scenario(), 0);
  EXPECT_GT(vltest::sweepAllocationFailures(scenario), 2u);
}

// A list that loops back on itself must end the search as a miss too.
TEST(PciDeviceCapabilities, SearchFollowsTheListAndAMissOrALoopAnswersNotAccessible) {
  PciTestBoard plugged;
  tStatus status;
  EXPECT_EQ(plugged.device().findCapability(0x05, status), sim::Board::kMsiCapability);
  EXPECT_EQ(plugged.device().findCapability(0x10, status), sim::Board::kExpressCapability);
  EXPECT_EQ(status.getCode(), 0);
  const Site miss{nVLAPALS100::kStatusNotAccessible, nVLAPAL000::sites::kPCIDevice,
                  nVLAPAL000::sites::lines::kCapabilityNotFound};
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_EQ(plugged.device().findCapability(0x11, s), 0); })), miss);
  plugged.board().config().set(sim::Board::kExpressCapability, 2, 0x10 | sim::Board::kPowerManagementCapability << 8);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_EQ(plugged.device().findCapability(0x11, s), 0); })), miss);
}

// A failed configuration access records -52008 at that access's own site,
// and the search's miss does not overwrite it.
struct AccessFault {
  const char* what;
  BoardOptions::PciCapabilities capabilities;
  bool write;
  uint64_t nth;
  bool startBus;  // else a search for the Express capability
  uint64_t line;
};

class PciDeviceAccessFaults : public testing::TestWithParam<AccessFault> {};

TEST_P(PciDeviceAccessFaults, AreRecordedAtTheirSites) {
  const AccessFault& fault = GetParam();
  BoardOptions options;
  options.pciCapabilities = fault.capabilities;
  PciTestBoard plugged(options);
  (fault.write ? sim::Pci::configWriteFaults() : sim::Pci::configReadFaults()).failNth(fault.nth, -51202);
  tStatus status(tStatus::kFullSize);
  if (fault.startBus) {
    plugged.device().startBus(0, status);
  } else {
    EXPECT_EQ(plugged.device().findCapability(0x10, status), 0);
  }
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusPlatformFailure);
  EXPECT_STREQ(status.getFile(), nVLAPAL000::sites::kPCIConfig);
  EXPECT_EQ(status.getLine(), fault.line);
}

using Capabilities = BoardOptions::PciCapabilities;
INSTANTIATE_TEST_SUITE_P(
    Sites, PciDeviceAccessFaults,
    testing::Values(
        // status, list pointer, three capability headers; then the link registers.
        AccessFault{"LinkRegisterRead16", Capabilities::Listed, false, 6, true,
                    nVLAPAL000::sites::lines::kConfigRead16},
        AccessFault{"ListPointerRead8", Capabilities::Listed, false, 2, false, nVLAPAL000::sites::lines::kConfigRead8},
        AccessFault{"SignatureWrite16", Capabilities::None, true, 1, false, nVLAPAL000::sites::lines::kConfigWrite16}),
    [](const testing::TestParamInfo<AccessFault>& info) { return std::string(info.param.what); });

// A device that cannot take 64-bit addresses falls back to 32 bits; a
// refused 32-bit mask configures nothing.
TEST(PciDeviceDma, TheWidestMaskTheKernelAcceptsIsConfigured) {
  const struct {
    unsigned addressBits;
    bool refuseAll;
    int64_t code;
    tDMAConfiguration::tDMAType type;
    uint64_t mask;
  } cases[] = {{64, false, 0, tDMAConfiguration::kDMAType64Bit, ~uint64_t{0}},
               {32, false, 0, tDMAConfiguration::kDMAType32Bit, 0xFFFFFFFFu},
               {64, true, nVLAPALS100::kStatusNotSupported, tDMAConfiguration::kDMATypeNotConfigured, 0}};
  for (const auto& c : cases) {
    BoardOptions options;
    options.placement.dmaAddressBits = c.addressBits;
    PciTestBoard plugged(options);
    if (c.refuseAll) sim::Pci::dmaMaskFaults().failFrom(1, -51256);
    tStatus status(tStatus::kFullSize);
    plugged.device().configureDMA(tDMAConfiguration::kDMAType64Bit, status);
    sim::Pci::dmaMaskFaults().clear();
    SCOPED_TRACE(testing::Message() << c.addressBits << (c.refuseAll ? " bits, refused" : " bits"));
    EXPECT_EQ(status.getCode(), c.code);
    const tDMAConfiguration& dma = plugged.device().getDMAConfiguration();
    EXPECT_EQ(dma.getType(), c.type);
    if (c.code != 0) {
      EXPECT_EQ(status.getLine(), nVLAPAL000::sites::lines::kDMAMask);
      continue;
    }
    EXPECT_EQ(dma.getDeviceInformation(), &plugged.device().getPCIInformation());
    EXPECT_EQ(sim::Pci::dmaMask(plugged.board().pciHandle()), c.mask);
  }
}

class PciDeviceBars : public testing::Test {
 protected:
  static BoardOptions twoBars() {
    BoardOptions options;
    options.barSizes = {0x100000, 0x10000};
    return options;
  }
  PciTestBoard plugged{twoBars()};
  tPCIDevice& device() { return plugged.device(); }
};

// A whole window takes one cache mode whatever the caller names, so that
// the unmap always matches the map.
TEST_F(PciDeviceBars, SixtyFourKiBBarMapsAndUnmapsWriteCombined) {
  for (uint32_t mode : {tPCIDevice::kCacheModeUncached, tPCIDevice::kCacheModeCached, 7u}) {
    tStatus status;
    void* address = device().mapBAR(1, status, mode);
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address, plugged.board().bar(1).data());
    std::vector<sim::Pci::KernelMapping> mappings = sim::Pci::kernelMappings();
    ASSERT_EQ(mappings.size(), 1u);
    EXPECT_EQ(mappings[0].physicalAddress, plugged.board().barPhysicalAddress(1));
    EXPECT_EQ(mappings[0].size, 0x10000u);
    EXPECT_EQ(mappings[0].cacheMode, tPCIDevice::kCacheModeWriteCombined) << mode;
    device().unmapBAR(address, mode);
    EXPECT_TRUE(sim::Pci::kernelMappings().empty());
  }
  device().unmapBAR(nullptr);
  EXPECT_EQ(sim::Pci::strayUnmaps(), 0u) << "unmapping address 0 does nothing";
}

TEST_F(PciDeviceBars, FailedMappingIsOutOfMemoryAtItsSite) {
  const auto refusedMap = [&](uint8_t bar) {
    return statusAfter([&](tStatus& s) { EXPECT_EQ(device().mapBAR(bar, s), nullptr) << int{bar}; });
  };
  sim::Pci::kernelMappingFaults().failNth(1, 0);
  EXPECT_EQ(siteOf(refusedMap(0)), (Site{nVLAPALS100::kStatusOutOfMemory, nVLAPAL000::sites::kPCIDevice,
                                         nVLAPAL000::sites::lines::kBARMapping}));
  EXPECT_EQ(refusedMap(2).getCode(), nVLAPALS100::kStatusOutOfMemory) << "no window there";
  EXPECT_EQ(refusedMap(6).getCode(), nVLAPALS100::kStatusInvalidParameter);
}

TEST_F(PciDeviceBars, RangeMappingStaysInsideItsWindow) {
  tStatus status;
  {
    nVLAPAL000::tPhysicalKVAMap map;
    device().mapBARRange(0, 0x80000, 0x20000, map, status, 7);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(map.getAddress(), plugged.board().bar0().data() + 0x80000);
    EXPECT_EQ(map.getCacheMode(), tPCIDevice::kCacheModeUncached) << "unknown modes map uncached";
    EXPECT_EQ(sim::Pci::kernelMappings().size(), 1u);
  }
  EXPECT_TRUE(sim::Pci::kernelMappings().empty()) << "the record gives its mapping back";
  for (const auto& [offset, length] :
       {std::pair<uint64_t, uint64_t>{0xF0000, 0x20000}, {0x100001, 0}, {0x10, ~uint64_t{0}}}) {
    nVLAPAL000::tPhysicalKVAMap map;
    EXPECT_EQ(codeAfter([&](tStatus& s) { device().mapBARRange(0, offset, length, map, s, 1); }),
              nVLAPALS100::kStatusInvalidParameter)
        << offset << "+" << length;
    EXPECT_FALSE(map.isMapped());
  }
  EXPECT_TRUE(sim::Pci::kernelMappings().empty());
}

TEST_F(PciDeviceBars, UserMappingOfABarRangeStaysInsideItsWindow) {
  const uint64_t handle = sim::UserMaps::create(0x1000, 0x7F0000000000, nVLAPAL000::tUserMemoryMap::kAccessReadWrite);
  nVLAPAL000::tUserMemoryMap map(nullptr, handle, 1);
  tStatus status;
  device().mapBARToUser(1, 0xF000, 0x1000, map, status, 1);
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<sim::UserMaps::PhysicalMapping> ranges = sim::UserMaps::find(handle)->physicalRanges;
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].address, plugged.board().barPhysicalAddress(1) + 0xF000);
  EXPECT_EQ(codeAfter([&](tStatus& s) { device().mapBARToUser(1, 0xF000, 0x2000, map, s, 1); }),
            nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(sim::UserMaps::find(handle)->physicalRanges.size(), 1u);
  sim::UserMaps::destroy(handle);
}

}  // namespace
