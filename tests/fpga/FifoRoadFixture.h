// Board FIFOs the whole road: the interrupt chain over a plugged board
// model, the interrupt DMA channel factory as the manager's DMA handler,
// the board FIFO factory over the FPGA window, FIFO control blocks placed
// in the model's FPGA window, and user buffers from page lists placed as
// the test chooses (one run, scattered pages, pages above 4 GiB).
#ifndef VL9738K_TESTS_FPGA_FIFOROADFIXTURE_H
#define VL9738K_TESTS_FPGA_FIFOROADFIXTURE_H

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include "InterruptChainFixture.h"
#include "driver/fpga/fifo/BoardFifoFactoryWexel.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "sim/kernel/PhysicalMemory.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/platform/dma/DmaTestSupport.h"

namespace vltest {

class FifoRoad : public testing::Test {
 protected:
  static constexpr uint64_t kPage = 4096;
  static constexpr uint32_t kControl = 0x400;  // a FIFO control block in the FPGA window
  using Direction = sim::FpgaWindow::FifoDirection;

  struct HostBuffer {
    uint64_t list = 0;
    vllym::BoardFifoBuffer record{};
    uint8_t* host(uint64_t at = 0) const { return vltest::hostBytes(list, record.offset + at); }
  };

  void SetUp() override {
    model().bar0().startRecording();
    chain.manager->registerDeviceIsr(status);
    channels = std::make_unique<vllym::WexelDmaChannelFactoryInterrupt>(chain.bar, chain.manager.get(), status);
    chain.manager->setDmaInterruptHandler(channels->getDmaInterruptHandler(), status);
    chain.manager->updateInterruptEnables(status);
    fifos = std::make_unique<vllym::BoardFifoFactoryWexel>(
        chain.pci.device().getDMAConfiguration(), chain.bar,
        vllym::BoardFifoWindow{reinterpret_cast<uint64_t>(chain.bar) + InterruptChain::kFpgaOffset,
                               InterruptChain::kFpgaSize},
        channels.get());
    ASSERT_EQ(status.getCode(), 0);
  }
  void TearDown() override {
    for (vllym::BoardFifoWexel* fifo : made) fifos->destroyFifo(fifo);
    for (HostBuffer& buffer : buffers) nVLZUK220_tPageList_destroy(buffer.list);
    EXPECT_EQ(sim::PhysicalMemory::ownershipViolations(), 0u);
    EXPECT_EQ(sim::ScatterGather::pairingViolations(), 0u);
  }

  sim::Board& model() { return chain.model(); }
  sim::FpgaWindow& fpga() { return model().fpga(); }
  sim::DmaChannel& engine(uint32_t channel) { return model().bridge().channel(channel); }

  vllym::BoardFifoWexel* makeFifo(uint32_t channel, Direction direction, uint32_t control = kControl) {
    fpga().addFifo(control, channel, direction);
    // The device side of a host-to-device channel holds up to 1 MiB (in
    // whole-buffer mode the channel goes round the ring until it is full).
    engine(channel).setFifoCapacity(uint64_t{1} << 20);
    vllym::BoardFifoWexel* fifo = fifos->createFifo(channel, control, static_cast<uint32_t>(direction), status);
    if (fifo != nullptr) made.push_back(fifo);
    return fifo;
  }
  HostBuffer& makeBuffer(uint64_t bytes, uint64_t offset = 0) {
    HostBuffer buffer;
    const uint64_t pages = (offset + bytes + kPage - 1) / kPage;
    buffer.list = nVLZUK220_tPageList_createFromAllocation(pages, 0);
    buffer.record = vllym::BoardFifoBuffer{bytes, offset, nVLAPAL000::tPageList{pages * kPage, 0, buffer.list}};
    buffers.push_back(buffer);
    return buffers.back();
  }
  // CHOR writes of one channel (arming the count interrupt among them).
  std::vector<uint32_t> operations(uint32_t channel) {
    std::vector<uint32_t> values;
    for (const sim::BusAccess& access : model().bar0().traffic()) {
      if (access.kind == sim::BusAccess::Kind::Write && access.offset == engine(channel).offset() + 0x58) {
        values.push_back(static_cast<uint32_t>(access.value));
      }
    }
    return values;
  }

  InterruptChain chain;
  tStatus status;
  std::unique_ptr<vllym::WexelDmaChannelFactoryInterrupt> channels;
  std::unique_ptr<vllym::BoardFifoFactoryWexel> fifos;
  std::vector<vllym::BoardFifoWexel*> made;
  std::deque<HostBuffer> buffers;
};

}  // namespace vltest

#endif
