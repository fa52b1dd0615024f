// The generic bridge board object on the board model: its windows from a
// layout record, the interrupt and FIFO plumbing it builds, the device's
// FPGA state over it downloading and reaching the design's registers, and
// a teardown that unmaps both BARs.
#include <gtest/gtest.h>

#include "driver/fpgasession/AtomicLymDeviceState.h"
#include "driver/fpgasession/BoardKmr4.h"
#include "sim/kernel/Pci.h"
#include "tests/fpgasession/ImagePages.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {
namespace {

class GenericBoard final : public vllym::BoardKmr4 {
 public:
  using BoardKmr4::BoardKmr4;
  vllym::P2PEndpointManagerNoP2P* getP2PEndpointManager() override { return &p2p; }
  vllym::FlashDownloadManagerNoFlash* getFlashDownloadManager() override { return &flash; }
  vllym::P2PEndpointManagerNoP2P p2p;
  vllym::FlashDownloadManagerNoFlash flash;
};

// This board's FPGA window: 128 KiB at 0x80000 of BAR 0, as is the bridge.
constexpr vllym::BoardKmr4::Layout kLayout{0, 0, 0, 0x80000, 17};

class BoardKmr4OnModel : public testing::Test {
 protected:
  void SetUp() override { pci.device().configureDMA(nVLAPAL000::tDMAConfiguration::kDMAType64Bit, status); }
  PciTestBoard pci;
  tStatus status{tStatus::kFullSize};
};

TEST_F(BoardKmr4OnModel, CarriesTheFpgaObjectThroughADownloadToTheDesignsRegistersAndUnmapsBothBars) {
  const size_t mappings = sim::Pci::kernelMappings().size();
  const uint64_t stray = sim::Pci::strayUnmaps();
  {
    GenericBoard board(&pci.device(), kLayout, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(board.getFpgaIoAccessor()->getSize(), 0x20000u);
    EXPECT_NE(board.getBoardFifoFactory(), nullptr);
    EXPECT_NE(board.getInterruptManager(), nullptr);
    sim::FpgaPersonality personality(pci.board().fpga(), kControl, kReset, kSignature);
    personality.setSignature({0x5A5A, 2, 3, 4});

    AtomicLymDeviceState state(&board, status);
    vllym::kernel::Fpga& fpga = state.getFpga();
    EXPECT_EQ(fpga.getAttribute32(vllym::kernel::Fpga::kAttributeProgrammed, status), 0u);
    fpga.setCommonRegisterSet(designRegisters(), status);
    ImagePages image;
    fpga.download(image.list(), status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_TRUE(pci.board().bridge().fpgaLoader().programmed());
    EXPECT_EQ(fpga.getAttribute32(vllym::kernel::Fpga::kAttributeProgrammed, status), 1u);
    EXPECT_EQ(fpga.read32(kSignature, status), 0x5A5Au);
    fpga.write32(kControl, 5, status);
    EXPECT_EQ(personality.controlWrites().back(), 5u);
    EXPECT_EQ(status.getCode(), 0);
    fpga.clearFlash(status);
    EXPECT_EQ(status.getCode(), vllym::kStatusNotProvidedOnBoard);
  }
  EXPECT_EQ(sim::Pci::kernelMappings().size(), mappings);
  EXPECT_EQ(sim::Pci::strayUnmaps(), stray);
}

TEST_F(BoardKmr4OnModel, AnFpgaWindowBeyondItsBarIsEmpty) {
  for (uint32_t log2 : {21u, 64u}) {
    GenericBoard board(&pci.device(), {0, 0, 0, 0x80000, log2}, status);
    EXPECT_EQ(board.getFpgaIoAccessor()->getSize(), 0u) << log2;
    tStatus read;
    board.getFpgaIoAccessor()->read32(0, read);
    EXPECT_NE(read.getCode(), 0) << log2;
  }
}

}  // namespace
}  // namespace vltest
