// The capability readers the whole road: a PCI device over a board model
// whose NOR flash holds the capability list behind the bridge's window 0.
// The tests check what was read and the bus traffic that read it.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "PciTestDevice.h"
#include "driver/platform/pci/tVLCapabilities.h"
#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/Registers.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tDeviceSpecific;
using nVLAPAL000::tGeographicAddress;
using nVLAPAL000::tSerialNumber;
using nVLAPAL000::tVLCapabilityPCIAccessor;
using nVLAPAL000::tVLCapabilityWexelAccessor;
using nVLAPAL000::tWexel;
using nVLAPALS100::tStatus;
using sim::BoardOptions;
using sim::Bridge;
using sim::BusAccess;
using sim::CapabilityRecord;
using vltest::codeAfter;
using vltest::PciTestBoard;

constexpr uint16_t kOtherId = 0x7777;

// A flash read through the window: its address in the part and its width.
struct FlashRead {
  uint32_t address;
  unsigned width;
  bool operator==(const FlashRead&) const = default;
};

// A board whose flash holds only what each test lays into it.
class CapabilityWalk : public testing::Test {
 protected:
  tStatus status;

  sim::NorFlash& flash() { return plugged.board().flash(); }
  sim::Bar& bar0() { return plugged.board().bar0(); }
  // A directory whose select flag (at 0x80, 0) chooses the list at `start`.
  void layDirectory(uint32_t start) {
    flash().load32(0x0C, 0x80);
    flash().load32(0x80, 0);
    flash().load32(0x10, start);
  }
  void record(uint32_t at, uint16_t id, uint16_t pointer, unsigned type, std::vector<uint32_t> body = {}) {
    flash().load32(at, sim::FlashImage::header(id, pointer, type));
    for (size_t i = 0; i < body.size(); ++i) flash().load32(at + 4 + 4 * static_cast<uint32_t>(i), body[i]);
  }
  uint32_t windowRegister(uint64_t offset) { return static_cast<uint32_t>(bar0().peek64(offset)); }

  // The device's accessor over the capability space as the flash holds it now.
  tVLCapabilityPCIAccessor<tWexel>& open(tStatus& status) {
    walker.reset();
    wexel.emplace(&plugged.device(), status);
    walker.emplace(*wexel);
    return *walker;
  }
  // A search from a fresh accessor; the traffic left is the search's alone.
  template <typename tCapability>
  void search(tCapability& capability, tStatus& status) {
    open(status);
    bar0().startRecording();
    walker->getCapability(capability, status);
  }

  // Replays BAR 0 traffic: reads inside the window, as flash addresses.
  std::vector<FlashRead> flashReads() {
    std::vector<FlashRead> reads;
    uint32_t select = 0;
    for (const BusAccess& access : bar0().traffic()) {
      if (access.kind == BusAccess::Kind::Write && access.offset == Bridge::kFlashWindowPage) select = access.value;
      const bool inWindow = access.offset >= Bridge::kFlashWindowOffset &&
                            access.offset < Bridge::kFlashWindowOffset + Bridge::kFlashWindowSize;
      if (access.kind == BusAccess::Kind::Read && inWindow) {
        const auto offset = static_cast<uint32_t>(access.offset - Bridge::kFlashWindowOffset);
        reads.push_back(FlashRead{(select & 0xFFFF0000u) | offset, access.width});
      }
    }
    return reads;
  }

  static BoardOptions blank() {
    BoardOptions options;
    options.flash.blank = true;
    return options;
  }

  PciTestBoard plugged{blank()};
  std::optional<tWexel> wexel;
  std::optional<tVLCapabilityPCIAccessor<tWexel>> walker;
};

// Either copy of the factory list, as the select flag picks it.
TEST(CapabilityReaders, FactoryListGivesSerialSlotAndBlock) {
  for (const bool second : {false, true}) {
    BoardOptions options;
    options.serialNumber = second ? 0xABCD : 0x00000123456789ABull;
    options.geographicSlot = 9;
    options.flash.deviceSpecific = {1, 2, 3, 4, 5};
    options.flash.selectCopy2 = second;
    PciTestBoard board(options);
    tStatus status;
    tWexel wexel(&board.device(), status);
    EXPECT_EQ(wexel.getListStart() >= sim::FlashLayout::kCapabilityCopy2, second);
    tVLCapabilityPCIAccessor<tWexel> walker(wexel);
    tSerialNumber<tWexel> serial;
    tGeographicAddress<tWexel> slot;
    tDeviceSpecific<tWexel> block;
    walker.getCapability(serial, status);
    walker.getCapability(slot, status);
    walker.getCapability(block, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(serial.getSerialNumber(), options.serialNumber);
    EXPECT_EQ(slot.getSlot(), options.geographicSlot);
    EXPECT_EQ(std::vector<uint8_t>(block.getData(), block.getData() + block.getLength()), options.flash.deviceSpecific);
  }
  EXPECT_EQ(sim::Registers::unclaimedAccesses(), 0u);
}

TEST_F(CapabilityWalk, SerialNumberIsTheTwoWordsAfterTheHeaderLowFirst) {
  layDirectory(0x200);
  record(0x200, CapabilityRecord::kSerialNumber, 0, 0, {0x89ABCDEF, 0x01234567});
  tSerialNumber<tWexel> serial;
  search(serial, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(serial.getSerialNumber(), 0x0123456789ABCDEFull);
  EXPECT_EQ(serial.getOffset(), 0x200u);
  EXPECT_EQ(flashReads(), (std::vector<FlashRead>{{0x200, 4}, {0x204, 4}, {0x208, 4}}));
}

TEST_F(CapabilityWalk, HighHalfPointerTakesTheWordBeforeTheHeader) {
  layDirectory(0x100);
  flash().load32(0xFC, 0x00010000);
  record(0x100, kOtherId, 0x40, 1);
  record(0x10040, CapabilityRecord::kSerialNumber, 0, 0, {0x5555, 0x6666});
  tSerialNumber<tWexel> serial;
  search(serial, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(serial.getSerialNumber(), 0x0000666600005555ull);
  // The found record ends the list (type 0): its successor costs no read.
  EXPECT_EQ(flashReads(), (std::vector<FlashRead>{{0x100, 4}, {0xFC, 4}, {0x10040, 4}, {0x10044, 4}, {0x10048, 4}}));
  const std::vector<BusAccess> traffic = bar0().traffic();
  const BusAccess pageOne{BusAccess::Kind::Write, Bridge::kFlashWindowPage, 4, 0x10000};
  EXPECT_NE(std::find(traffic.begin(), traffic.end(), pageOne), traffic.end());
}

TEST_F(CapabilityWalk, UnknownIdAnswersNotAccessibleAndLeavesTheObject) {
  layDirectory(0x100);
  record(0x100, CapabilityRecord::kSerialNumber, 0x20, 2, {1, 2});
  record(0x120, kOtherId, 0, 0);
  tGeographicAddress<tWexel> slot;
  search(slot, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(slot.getOffset(), 0u);
  EXPECT_EQ(slot.getSlot(), 0u);
}

// A corrupt flash can link the list into a circle; the walk must end. A
// pointer of type 3 names no record at all.
TEST_F(CapabilityWalk, ListThatLoopsOrPointsNowhereEndsWithAnError) {
  struct Header {
    uint32_t at;
    uint16_t pointer;
    unsigned type;
  };
  struct Case {
    const char* what;
    std::vector<Header> headers;
  };
  const Case cases[] = {
      {"a pointer of type 3", {{0x100, 0x40, 3}}},
      {"a record pointing at itself", {{0x100, 0, 2}}},
      {"three records in a circle", {{0x100, 0x200, 0}, {0x200, 0x300, 0}, {0x300, 0x100, 0}}},
      {"a tail leading into a circle", {{0x100, 0x10, 2}, {0x110, 0x10, 2}, {0x120, 0x10, 2}, {0x130, 0x110, 0}}},
  };
  for (const Case& c : cases) {
    flash().eraseAll();
    layDirectory(0x100);
    for (const Header& h : c.headers) record(h.at, kOtherId, h.pointer, h.type);
    tStatus status;
    tSerialNumber<tWexel> serial;
    search(serial, status);
    EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusValueOutOfRange) << c.what;
    EXPECT_LT(flashReads().size(), 20u) << c.what;
    EXPECT_EQ(serial.getOffset(), 0u) << c.what;
  }
}

TEST_F(CapabilityWalk, SecondSearchFindsTheNextRecordOfTheSameId) {
  layDirectory(0x100);
  record(0x100, CapabilityRecord::kSerialNumber, 0x10, 2, {11, 0});
  record(0x110, kOtherId, 0x10, 2);
  record(0x120, CapabilityRecord::kSerialNumber, 0, 0, {22, 0});
  tVLCapabilityPCIAccessor<tWexel>& walker = open(status);
  tSerialNumber<tWexel> serial;
  walker.getCapability(serial, status);
  EXPECT_EQ(serial.getSerialNumber(), 11u);
  walker.getCapability(serial, status);
  EXPECT_EQ(serial.getSerialNumber(), 22u);
  EXPECT_EQ(serial.getOffset(), 0x120u);
  walker.getCapability(serial, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotAccessible) << "no third one";
  EXPECT_EQ(serial.getSerialNumber(), 22u);
}

TEST_F(CapabilityWalk, DeviceSpecificBlockOfSevenBytesIsOneWordOneHalfOneByte) {
  layDirectory(0x100);
  record(0x100, CapabilityRecord::kDeviceSpecific, 0, 0, {7, 0x44332211, 0x00776655});
  tDeviceSpecific<tWexel> block;
  search(block, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::vector<uint8_t>(block.getData(), block.getData() + block.getLength()),
            (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
  EXPECT_EQ(flashReads(), (std::vector<FlashRead>{{0x100, 4}, {0x104, 4}, {0x108, 4}, {0x10C, 2}, {0x10E, 1}}));
}

TEST_F(CapabilityWalk, DeviceSpecificBlockKeepsItsDataWhenTheNextReadFails) {
  layDirectory(0x100);
  record(0x100, CapabilityRecord::kDeviceSpecific, 0x10, 2, {2, 0xBBAA});
  record(0x110, CapabilityRecord::kDeviceSpecific, 0x10, 2, {4, 0x11111111});
  record(0x120, CapabilityRecord::kDeviceSpecific, 0, 0, {0xFFFFFFFF});
  tVLCapabilityPCIAccessor<tWexel>& walker = open(status);
  tDeviceSpecific<tWexel> block;
  walker.getCapability(block, status);
  ASSERT_EQ(block.getLength(), 2u);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { walker.getCapability(block, s); }), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(block.getLength(), 2u);
  EXPECT_EQ(block.getData()[1], 0xBB);
  EXPECT_EQ(block.getOffset(), 0x100u);

  tDeviceSpecific<tWexel> erased;
  walker.getCapability(erased, status);  // 0x100
  walker.getCapability(erased, status);  // 0x110
  // 0x120: an erased length runs past the space.
  EXPECT_EQ(codeAfter([&](tStatus& s) { walker.getCapability(erased, s); }), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(erased.getLength(), 4u);
}

TEST_F(CapabilityWalk, WindowRegistersReadBackWhatTheyHeldBefore) {
  layDirectory(0x100);
  record(0x100, CapabilityRecord::kSerialNumber, 0, 0, {1, 0});
  const uint32_t control = Bridge::kFlashWindowReset & ~0x80u;  // left disabled by someone
  const uint32_t page = 0x00120000;
  nVLZUK100_memoryWrite32(bar0().data() + Bridge::kFlashWindowBase, control);
  nVLZUK100_memoryWrite32(bar0().data() + Bridge::kFlashWindowPage, page);
  const auto expectKept = [&](const char* after) {
    EXPECT_EQ(windowRegister(Bridge::kFlashWindowBase), control) << after;
    EXPECT_EQ(windowRegister(Bridge::kFlashWindowPage), page) << after;
  };
  tWexel wexel(&plugged.device(), status);
  ASSERT_EQ(status.getCode(), 0);
  expectKept("the list start");
  tVLCapabilityPCIAccessor<tWexel> walker(wexel);
  tSerialNumber<tWexel> serial;
  walker.getCapability(serial, status);
  EXPECT_EQ(serial.getSerialNumber(), 1u);
  expectKept("a search");
  tGeographicAddress<tWexel> missing;
  EXPECT_EQ(codeAfter([&](tStatus& s) { walker.getCapability(missing, s); }), nVLAPALS100::kStatusNotAccessible);
  expectKept("a miss");
}

TEST_F(CapabilityWalk, NoListIsNotSupported) {
  const struct {
    const char* what;
    uint32_t pointer;
    uint32_t start;
  } cases[] = {{"erased flash", 0xFFFFFFFF, 0xFFFFFFFF},
               {"no pointer", 0, 0x100},
               {"pointer not word aligned", 0x82, 0x100},
               {"no list start", 0x80, 0},
               {"list start not word aligned", 0x80, 0x102}};
  for (const auto& c : cases) {
    flash().eraseAll();
    flash().load32(0x0C, c.pointer);
    flash().load32(0x80, 0);
    flash().load32(0x10, c.start);
    tStatus status;
    tWexel wexel(&plugged.device(), status);
    EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotSupported) << c.what;
    EXPECT_EQ(windowRegister(Bridge::kFlashWindowPage), 0u) << c.what;
    EXPECT_EQ(windowRegister(Bridge::kFlashWindowBase), Bridge::kFlashWindowReset) << c.what;
  }
}

// The geographic-address record says where the slot is and how to read it.
struct GeographicCase {
  const char* what;
  uint32_t address;
  uint32_t descriptor;
  uint32_t expectedSlot;
};

class GeographicAddress : public CapabilityWalk, public testing::WithParamInterface<GeographicCase> {};

TEST_P(GeographicAddress, ReadsTheSlotWithItsSpaceWidthAndShift) {
  const GeographicCase& c = GetParam();
  layDirectory(0x100);
  record(0x100, CapabilityRecord::kGeographicAddress, 0, 0, {c.address, c.descriptor});
  flash().load32(0x40000, 0x13u << 3);  // a slot word behind the window, for space 4
  tGeographicAddress<tWexel> slot;
  search(slot, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(slot.getSlot(), c.expectedSlot);
  EXPECT_EQ(slot.getOffset(), 0x100u);
  EXPECT_EQ(wexel->getAccessMode(), tVLCapabilityWexelAccessor::kAccessModeWindowed);
  EXPECT_EQ(windowRegister(Bridge::kFlashWindowPage), 0u);
  EXPECT_EQ(sim::Registers::unclaimedAccesses(), 0u);
}

// The board's slot is 5: bits 12-8 of the bridge's word at 0x3AC.
INSTANTIATE_TEST_SUITE_P(SpacesWidthsAndShifts, GeographicAddress,
                         testing::Values(GeographicCase{"direct, 16 bits, shift 8", 0x3AC, 0x00080201, 5},
                                         GeographicCase{"direct, 8 bits, no shift", 0x3AD, 0x00000101, 5},
                                         GeographicCase{"direct, 32 bits, shift 8", 0x3AC, 0x00080001, 5},
                                         GeographicCase{"direct, width code 7 is 32 bits", 0x3AC, 0x00080701, 5},
                                         GeographicCase{"behind the window, shift 3", 0x40000, 0x00030004, 0x13},
                                         GeographicCase{"behind the window, 16 bits", 0x40000, 0x00030204, 0x13},
                                         GeographicCase{"not present: slot unchanged", 0x3AC, 0x00080200, 0}));

// The register offset comes from flash: one that would take the read out
// of BAR 0 is refused, as is a space other than 0, 1 or 4, and the window
// is back in use afterwards.
TEST_F(CapabilityWalk, GeographicRegisterOutsideTheBarOrInAnUnknownSpaceIsRefused) {
  const uint32_t barSize = static_cast<uint32_t>(sim::Board::kBar0Size);
  for (const auto& [address, descriptor] : {std::pair<uint32_t, uint32_t>{barSize, 0x00000101},
                                            {barSize - 1, 0x00000201},
                                            {barSize - 2, 0x00000001},
                                            {0xFFFFFFFE, 0x00000201},
                                            {0x3AC, 0x00080202}}) {
    flash().eraseAll();
    layDirectory(0x100);
    record(0x100, CapabilityRecord::kGeographicAddress, 0, 0, {address, descriptor});
    tStatus status;
    tGeographicAddress<tWexel> slot;
    search(slot, status);
    EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter) << std::hex << address;
    EXPECT_EQ(slot.getOffset(), 0u);
    EXPECT_EQ(wexel->getAccessMode(), tVLCapabilityWexelAccessor::kAccessModeWindowed);
    EXPECT_EQ(windowRegister(Bridge::kFlashWindowBase), Bridge::kFlashWindowReset);
  }
  EXPECT_EQ(sim::Registers::unclaimedAccesses(), 0u);
}

TEST_F(CapabilityWalk, AccessorOfADeviceWhoseBarCannotBeMappedReadsNothing) {
  layDirectory(0x100);
  sim::Pci::kernelMappingFaults().failNth(1, 0);
  bar0().startRecording();
  tWexel wexel(&plugged.device(), status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_TRUE(bar0().traffic().empty());
}

}  // namespace
