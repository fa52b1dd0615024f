// The board object over a PCI test device and its board model, built as the
// device builds it: DMA configured first, then LymSupport over the test
// device's face.
#ifndef VL9738K_TESTS_BOARD_BOARD_ON_PCI_FIXTURE_H
#define VL9738K_TESTS_BOARD_BOARD_ON_PCI_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "driver/board/LymSupport.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {

using Board = nVL9738K_24_0::LymSupport<LymTestDevice>;

class BoardOnPci : public testing::Test {
 protected:
  BoardOnPci() { model().bar0().startRecording(); }
  sim::Board& model() { return pci.board(); }
  sim::Bridge& bridge() { return model().bridge(); }
  std::unique_ptr<Board> build() {
    tStatus dma;
    pci.device().configureDMA(nVLAPAL000::tDMAConfiguration::kDMAType64Bit, dma);
    return std::make_unique<Board>(device, status);
  }

  PciTestBoard pci;
  LymTestDevice device{pci.device()};
  tStatus status{tStatus::kFullSize};
};

}  // namespace vltest

#endif
