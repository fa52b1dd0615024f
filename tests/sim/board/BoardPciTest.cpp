// The board as a PCI function: its configuration space as the bus sees it,
// the description it offers add device, the factory contents of its flash,
// and its interrupt line.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukPci.h"
#include "sim/board/Board.h"
#include "sim/kernel/Interrupts.h"

namespace {

using sim::Board;
using sim::BoardOptions;
using sim::CapabilityRecord;
using sim::FlashLayout;
using sim::PciConfigSpace;

uint32_t config32(const Board& board, uint32_t offset) {
  uint32_t value = 0;
  EXPECT_EQ(nVLZUK100_pciConfigRead32(board.pciHandle(), offset, &value), 0);
  return value;
}

// The byte at 0x0F, where the bridge shows its hidden capability.
uint32_t bist(const Board& board) { return config32(board, 0x0C) >> 24; }

TEST(BoardPci, ConfigurationSpaceCarriesTheBoardIdentity) {
  Board board;
  EXPECT_EQ(config32(board, PciConfigSpace::kVendorId), 0xB6B61E7Bu);
  EXPECT_EQ(config32(board, PciConfigSpace::kSubsystemVendorId), 0x5B311E7Bu);
  EXPECT_EQ(config32(board, PciConfigSpace::kRevision) & 0xFF, board.options().revision);
  EXPECT_EQ(config32(board, PciConfigSpace::kBars), static_cast<uint32_t>(board.barPhysicalAddress(0)));
}

TEST(BoardPci, BarSizingReadsBackTheSizeMask) {
  BoardOptions options;
  options.barSizes = {0x100000, 0x10000};
  Board board(options);
  const uint64_t handle = board.pciHandle();
  ASSERT_EQ(nVLZUK100_pciConfigWrite32(handle, PciConfigSpace::kBars + 4, 0xFFFFFFFFu), 0);
  EXPECT_EQ(config32(board, PciConfigSpace::kBars + 4), 0xFFFF0000u);
  ASSERT_EQ(nVLZUK100_pciConfigWrite32(handle, PciConfigSpace::kBars, 0xFFFFFFFFu), 0);
  EXPECT_EQ(config32(board, PciConfigSpace::kBars), 0xFFF00000u);
  ASSERT_EQ(nVLZUK100_pciConfigWrite16(handle, PciConfigSpace::kVendorId, 0x1234), 0);
  EXPECT_EQ(config32(board, PciConfigSpace::kVendorId) & 0xFFFF, 0x1E7Bu) << "the identity is read-only";
}

TEST(BoardPci, ListedCapabilitiesLeadToTheLinkRegisters) {
  BoardOptions options;
  options.linkWidth = 2;
  options.maxLinkWidth = 8;
  options.linkSpeed = 1;
  options.maxLinkSpeed = 3;
  Board board(options);
  EXPECT_NE(config32(board, PciConfigSpace::kCommand) >> 16 & PciConfigSpace::kStatusCapabilityList, 0u);
  uint32_t pointer = config32(board, PciConfigSpace::kCapabilityPointer) & 0xFF;
  std::vector<uint32_t> ids;
  while (pointer != 0 && ids.size() < 8) {
    const uint32_t header = config32(board, pointer);
    ids.push_back(header & 0xFF);
    if ((header & 0xFF) == 0x10) {
      EXPECT_EQ(config32(board, pointer + 0x0C) & 0x3FF, 3u | 8u << 4);
      EXPECT_EQ(config32(board, pointer + 0x10) >> 16 & 0x3FF, 1u | 2u << 4);
    }
    pointer = header >> 8 & 0xFF;
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x01, 0x05, 0x10}));
}

TEST(BoardPci, HiddenCapabilityShowsAfterTheSignature) {
  BoardOptions options;
  options.pciCapabilities = BoardOptions::PciCapabilities::BehindSignature;
  Board board(options);
  EXPECT_EQ(config32(board, PciConfigSpace::kCommand) >> 16 & PciConfigSpace::kStatusCapabilityList, 0u);
  EXPECT_EQ(bist(board), 0u);
  ASSERT_EQ(nVLZUK100_pciConfigWrite16(board.pciHandle(), 0, Board::kSignature), 0);
  const uint32_t place = bist(board) * 4;
  EXPECT_EQ(place, Board::kExpressCapability);
  EXPECT_EQ(config32(board, place) & 0xFF, 0x10u);

  options.pciCapabilities = BoardOptions::PciCapabilities::None;
  Board plain(options);
  ASSERT_EQ(nVLZUK100_pciConfigWrite16(plain.pciHandle(), 0, Board::kSignature), 0);
  EXPECT_EQ(bist(plain), 0u);
}

TEST(BoardPci, DescriptionNamesTheFunctionItsWindowsAndItsInterrupt) {
  BoardOptions options;
  options.barSizes = {0x100000, 0x10000};
  options.placement.bus = 7;
  options.placement.device = 3;
  options.placement.function = 1;
  options.placement.interruptNumber = 99;
  Board board(options);
  const nVLZUK_tPCIDeviceDescription description = board.description();
  EXPECT_EQ(description.deviceHandle, board.pciHandle());
  EXPECT_EQ(description.bus, 7);
  EXPECT_EQ(description.device, 3);
  EXPECT_EQ(description.function, 1);
  EXPECT_EQ(description.subsystemId, 0x5B31);
  EXPECT_EQ(description.interruptPresent, 1u);
  EXPECT_EQ(description.interruptNumber, 99u);
  EXPECT_EQ(description.windows[1].start, board.barPhysicalAddress(1));
  EXPECT_EQ(description.windows[1].size, 0x10000u);
  EXPECT_EQ(description.windows[1].flags, NVLZUK_PCI_WINDOW_MEMORY);
  EXPECT_EQ(description.windows[2].size, 0u);
  void* mapped = nVLZUK230_mapPhysicalToKernel(description.windows[1].start, description.windows[1].size, 0);
  EXPECT_EQ(mapped, board.bar(1).data());
  nVLZUK230_unmapPhysicalFromKernel(mapped, 0);
}

TEST(BoardPci, FactoryFlashHoldsTheDirectoryPoscAndTheCapabilityList) {
  BoardOptions options;
  options.serialNumber = 0x0123456789ABCDEFull;
  Board board(options);
  sim::NorFlash& flash = board.flash();
  EXPECT_EQ(flash.peek32(0x0C), FlashLayout::kCapabilitySelect);
  EXPECT_EQ(flash.peek32(FlashLayout::kCapabilitySelect), 0u);
  const uint32_t start = flash.peek32(0x10);
  EXPECT_EQ(flash.peek32(start) >> 16, CapabilityRecord::kSerialNumber);
  EXPECT_EQ(flash.peek32(start + 4), 0x89ABCDEFu);
  EXPECT_EQ(flash.peek32(start + 8), 0x01234567u);
  const std::vector<uint8_t> posc = flash.contents(FlashLayout::kPoscCopy1 + FlashLayout::kPoscSubsystemId, 2);
  EXPECT_EQ(posc, (std::vector<uint8_t>{0x31, 0x5B}));
  EXPECT_EQ(flash.peek32(FlashLayout::kPartitionStore), 0xFFFFFFFFu);
}

TEST(BoardPci, InterruptLineReachesTheReservedRoutine) {
  Board board;
  static int calls = 0;
  calls = 0;
  nVLZUK_tInterruptRecord record{[](void*) -> int32_t { return ++calls, 1; }, nullptr};
  const uint64_t line = board.options().placement.interruptNumber | uint64_t{NVLZUK_INTERRUPT_KIND_LINE} << 32;
  ASSERT_EQ(nVLZUK1400_reserveInterrupt(board.pciHandle(), &record, line, 1), 0);
  board.raiseInterrupt();
  EXPECT_EQ(calls, 1);
  nVLZUK100_relinquishInterrupt(board.pciHandle(), &record);
}

TEST(BoardPci, UnpluggedBoardIsGoneFromTheBus) {
  uint64_t handle = 0;
  uint64_t physical = 0;
  {
    Board board;
    handle = board.pciHandle();
    physical = board.barPhysicalAddress(0);
  }
  uint32_t value = 0;
  EXPECT_NE(nVLZUK100_pciConfigRead32(handle, 0, &value), 0);
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical, 0x1000, 0), nullptr);
}

}  // namespace
