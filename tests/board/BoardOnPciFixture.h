// The board object over a PCI test device and its board model, built as the
// device builds it: DMA configured first, then LymSupport over a device
// stand-in that counts the FPGA download's preparation and completion.
#ifndef VL9738K_TESTS_BOARD_BOARD_ON_PCI_FIXTURE_H
#define VL9738K_TESTS_BOARD_BOARD_ON_PCI_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "driver/board/LymSupport.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {

struct BoardDevice {
  nVLAPAL000::tPCIDevice& pci;
  int prepared = 0;
  int completed = 0;

  void* mapBAR(uint8_t bar, tStatus& status) { return pci.mapBAR(bar, status); }
  void unmapBAR(void* address) { pci.unmapBAR(address); }
  uint64_t getBARLength(uint8_t bar) const { return pci.getBARLength(bar); }
  const nVLAPAL000::tPCIInformation& getPCIInformation() const { return pci.getPCIInformation(); }
  nVLAPAL000::tPCIDevice& getPCIDevice() { return pci; }
  void prepareForFpgaDownload(tStatus&) { ++prepared; }
  void completeInitialization(tStatus&) { ++completed; }
};

using Board = nVL9738K_24_0::LymSupport<BoardDevice>;

class BoardOnPci : public testing::Test {
 protected:
  sim::Board& model() { return pci.board(); }
  sim::Bridge& bridge() { return model().bridge(); }
  std::unique_ptr<Board> build() {
    tStatus dma;
    pci.device().configureDMA(nVLAPAL000::tDMAConfiguration::kDMAType64Bit, dma);
    return std::make_unique<Board>(device, status);
  }

  PciTestBoard pci;
  BoardDevice device{pci.device()};
  tStatus status{tStatus::kFullSize};
};

}  // namespace vltest

#endif
