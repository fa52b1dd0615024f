// A host-to-device stream through a board FIFO on the board model: the
// user writes each chunk into the ring, releases it, and the FPGA end takes
// it from the channel, against memcpy of the same bytes into a buffer of
// the ring's size. The model's DMA engine walks the scatter-gather ring and
// copies through simulated physical memory, which dominates.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "Ratio.h"
#include "driver/fpga/fifo/BoardFifoFactoryWexel.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "sim/board/Board.h"
#include "tests/platform/dma/DmaTestSupport.h"

namespace {

using nVLAPALS100::tStatus;

constexpr uint64_t kRing = 64 * 1024;
constexpr uint64_t kChunk = 16 * 1024;
constexpr uint64_t kStream = 4 * 1024 * 1024;
constexpr uint32_t kControl = 0x400;
constexpr uint32_t kChannel = 1;

void BM_BoardFifoStreamToDevice(benchmark::State& state) {
  sim::Board board;
  vltest::ConfiguredDMA dma(nVLAPAL000::tDMAConfiguration::kDMAType64Bit);
  volatile uint8_t* bridge = board.bar0().data();
  board.fpga().addFifo(kControl, kChannel, sim::FpgaWindow::FifoDirection::HostToDevice);
  board.bridge().channel(kChannel).setFifoCapacity(kRing);
  tStatus status;
  // Room is read without waiting: no interrupt chain is needed.
  vllym::WexelDmaChannelFactoryInterrupt channels(bridge, nullptr, status);
  vllym::BoardFifoFactoryWexel fifos(
      dma.configuration, bridge,
      vllym::BoardFifoWindow{board.bar0().mappedAddress() + sim::FpgaWindow::kBarOffset, sim::FpgaWindow::kSize},
      &channels);
  vllym::BoardFifoWexel* fifo = fifos.createFifo(kChannel, kControl, 1, status);
  const uint64_t list = nVLZUK220_tPageList_createFromAllocation(kRing / 4096, 0);
  const vllym::BoardFifoBuffer buffer{kRing, 0, nVLAPAL000::tPageList{kRing, 0, list}};
  fifo->setBuffer(&buffer, status);
  fifo->start(status);
  uint8_t* ring = vltest::hostBytes(list);
  const std::vector<uint8_t> data = vltest::pattern(kStream, 9);
  uint64_t moved = 0;
  for (auto _ : state) {
    for (uint64_t done = 0; done < kStream; done += kChunk) {
      std::memcpy(ring + (done % kRing), data.data() + done, kChunk);
      fifo->releaseBytes(kChunk, status);
      moved += board.bridge().channel(kChannel).drain().size();
    }
  }
  if (status.isFatal() || moved != kStream * state.iterations()) state.SkipWithError("the stream failed");
  fifo->stop(status);
  fifos.destroyFifo(fifo);
  nVLZUK220_tPageList_destroy(list);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStream));
}
BENCHMARK(BM_BoardFifoStreamToDevice)->Unit(benchmark::kMillisecond);

void BM_MemcpyStream(benchmark::State& state) {
  std::vector<uint8_t> ring(kRing);
  const std::vector<uint8_t> data = vltest::pattern(kStream, 9);
  for (auto _ : state) {
    for (uint64_t done = 0; done < kStream; done += kChunk) {
      std::memcpy(ring.data() + (done % kRing), data.data() + done, kChunk);
      benchmark::DoNotOptimize(ring.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStream));
}
BENCHMARK(BM_MemcpyStream)->Unit(benchmark::kMillisecond);

VL_BENCH_RATIO(BM_BoardFifoStreamToDevice, BM_MemcpyStream);

}  // namespace
