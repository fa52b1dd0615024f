// The board object the whole road: a PCI device over the board model, BAR 0
// mapped through the kernel layer, the bring-up traffic, the windows and
// maps it derives, the clock buffer behind SPI port 3 and the managers of
// what the board lacks. (Programming the FPGA, wrapped in the device's
// preparation and completion, is the started device's and the module's.)
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver/fpga/FpgaStatusCodes.h"
#include "sim/kernel/Interrupts.h"
#include "sim/kernel/Pci.h"
#include "tests/board/BoardOnPciFixture.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using BoardObject = BoardOnPci;

TEST_F(BoardObject, BringUpSetsUpTheBridgeInOrderAndBuildsTheClockBuffer) {
  const auto board = build();
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<BusAccess> writes = writesIn(model().bar0().traffic());
  const std::vector<uint64_t> order = offsetsOf(writes);
  const auto at = [&](uint64_t offset) { return std::find(order.begin(), order.end(), offset) - order.begin(); };
  EXPECT_LT(at(0xA4), at(0x444));
  EXPECT_LT(at(0x444), at(0xFF00));
  EXPECT_LT(at(0xFF00), at(0x100));
  EXPECT_EQ(writes[at(0x444)].value, 1u);
  EXPECT_EQ(writes[at(0xFF00)].value, 0xC0000297u);
  EXPECT_EQ(writes[at(0x100)].value, 0x80092u);
  EXPECT_EQ(bridge().core().readable(0xA4, 4) & 0x8000C000u, 0x8000C000u);

  // The data window as window 3 is strapped; the flash window as window 0.
  EXPECT_EQ(board->getConfigPortDataWindow().offset, 0x50000u);
  EXPECT_EQ(board->getConfigPortDataWindow().size, 0x10000u);
  EXPECT_EQ(board->getFlashWindow().offset, 0x40000u);
  EXPECT_EQ(board->getRegMapFactory().getPortCount(), 8u);

  nVL9738K_24_0::TICDCE18005Accessor* clock = board->getTICDCE18005Accessor(status);
  ASSERT_NE(clock, nullptr);
  EXPECT_EQ(board->getTICDCE18005Accessor(status), clock);
  EXPECT_EQ(status.getCode(), 0);
  // Port 3 is claimed for SPI and programmed for the clock buffer.
  EXPECT_EQ(bridge().configPort().readable(0x114, 4), 0x00004000u);
  EXPECT_EQ(bridge().configPort().readable(0x1B0, 4) & 0x8000C000u, 0x80004000u);
  EXPECT_EQ(bridge().configPort().readable(0x1B4, 4) & 0x7F3Fu, 0x4020u);
}

TEST_F(BoardObject, RegistersTheDeviceIsrAfterTheConfigurationPortAndTakesItDownBeforeTheBarGoes) {
  auto board = build();
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_NE(board->getInterruptManager(), nullptr);
  EXPECT_TRUE(board->getInterruptManager()->usesStatusPage());
  EXPECT_TRUE(sim::Interrupts::isReserved(model().pciHandle()));
  EXPECT_TRUE(bridge().interrupts().statusPageActive());
  // The manager resets the control first; the enables follow the POSC wait.
  const std::vector<uint64_t> order = offsetsOf(writesIn(model().bar0().traffic()));
  const auto first = [&](uint64_t offset) { return std::find(order.begin(), order.end(), offset) - order.begin(); };
  EXPECT_LT(first(0x5C), first(0xA4));
  EXPECT_EQ(bridge().core().written(0x5C, 4), 0x94000500u);  // the DMA slot: no bridge source
  ASSERT_NE(board->getBoardFifoFactory(), nullptr);
  EXPECT_EQ(board->getBoardFifoFactory()->getLinkSize(), 512u);
  EXPECT_EQ(board->getDmaChannelFactory()->getChannelCount(), 4u);
  board.reset();
  EXPECT_FALSE(sim::Interrupts::isReserved(model().pciHandle()));
  EXPECT_FALSE(bridge().interrupts().statusPageActive());
  EXPECT_EQ(bridge().core().written(0x5C, 4), 0x40000000u);
}

TEST_F(BoardObject, ADataWindowWithoutItsValidBitBuildsNoClockBuffer) {
  bridge().core().setReadable(0xCC, 4, 0x00010017);
  const auto board = build();
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusValueOutOfRange);
  tStatus later(tStatus::kFullSize);
  EXPECT_EQ(board->getTICDCE18005Accessor(later), nullptr);
  EXPECT_EQ(later.getCode(), nVLAPALS100::kStatusBadSelector);
  // The flash controller is built late, and its absence is still reported.
  tStatus flash(tStatus::kFullSize);
  EXPECT_NE(board->getEEPROMController(flash), nullptr);
  EXPECT_EQ(flash.getCode(), nVLAPALS100::kStatusBadSelector);
}

TEST_F(BoardObject, AWindowLargerThanTheBarIsKeptButShiftsStayInsideTheBar) {
  bridge().core().setReadable(0xCC, 4, 0x00010097);
  const auto board = build();
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(board->getConfigPortDataWindow().offset, 0x10000u);
  EXPECT_EQ(board->getConfigPortDataWindow().size, 0x800000u);
  tStatus outside(tStatus::kFullSize);
  board->getTICDCE18005Accessor(outside)->getPortAccessor().transfer(sim::Board::kBar0Size, 0, 1, 32, outside);
  EXPECT_EQ(outside.getCode(), nVLAPALS100::kStatusInvalidParameter);
}

TEST_F(BoardObject, AFlashWindowLargerThanTheBarGivesAControllerThatReachesNothing) {
  bridge().core().setReadable(0xC0, 4, 0x00040097);
  const auto board = build();
  ASSERT_EQ(status.getCode(), 0);
  tStatus outside(tStatus::kFullSize);
  nVL9738K_24_0::OVCalEEPROMController* flash = board->getEEPROMController(outside);
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(board->getEEPROMController(outside), flash);
  flash->readWord16(0xF0000, outside);  // past BAR 0 through the window
  EXPECT_EQ(outside.getCode(), nVLAPALS100::kStatusInvalidParameter);
}

TEST_F(BoardObject, AnUnmappedBarLeavesAccessorsThatReachNothing) {
  sim::Pci::kernelMappingFaults().failNth(1, 0);
  const auto board = build();
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_TRUE(model().bar0().traffic().empty());
  tStatus later;
  board->getBoardIoAccessor()->read32(0x58, later);
  EXPECT_EQ(later.getCode(), nVLAPALS100::kStatusInvalidParameter);
}

struct MissingMap {
  const char* name;
  uint32_t portsMode;
};

class BoardObjectMissingMap : public BoardObject, public testing::WithParamInterface<MissingMap> {};

TEST_P(BoardObjectMissingMap, StopsBringUpWithBadSelector) {
  bridge().configPort().setReadable(0x114, 4, GetParam().portsMode);
  const auto board = build();
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  tStatus later;
  EXPECT_EQ(board->getTICDCE18005Accessor(later), nullptr);
  // Nothing was read from the window registers.
  for (const BusAccess& access : model().bar0().traffic()) EXPECT_NE(access.offset, 0xCCu);
}

INSTANTIATE_TEST_SUITE_P(Ports, BoardObjectMissingMap,
                         testing::Values(MissingMap{"Port3NotSpi", 0x00000000},
                                         MissingMap{"Port0NotParallel", 0x00004004}),
                         [](const testing::TestParamInfo<MissingMap>& info) { return info.param.name; });

TEST_F(BoardObject, ATransferOfMoreThan32BitsIsRefusedUnsent) {
  const auto board = build();
  auto& port = board->getTICDCE18005Accessor(status)->getPortAccessor();
  model().bar0().startRecording();
  port.transfer(0, 0, 0xFFFFFFFF, 33, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  EXPECT_TRUE(model().bar0().traffic().empty());
}

// The managers of what this board lacks: no flash for the FPGA session,
// no peer-to-peer sinks, nothing to create for a personality's FIFOs.
TEST_F(BoardObject, HandsOutManagersThatRefuseFlashAndPeerToPeerSinks) {
  const auto board = build();
  ASSERT_NE(board->getFlashDownloadManager(), nullptr);
  ASSERT_NE(board->getP2PEndpointManager(), nullptr);
  board->getP2PEndpointManager()->createP2PEndpoints(vlhtl::Vector<vllym::FifoInfo>(), status);
  EXPECT_EQ(board->getP2PEndpointManager()->getEndpointId(0, status), 0u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board->getFlashDownloadManager()->getFlashAutoloadMode(status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), vllym::kStatusNotProvidedOnBoard);
}

}  // namespace
}  // namespace vltest
